// How the system finds and reads the program of a command line it is asked to start: pure string rules,
// no platform calls. Whether a file exists is the platform's answer, asked through `FileExists`.
#pragma once

#include <stdint.h>

// Whether `path` names an existing file (not a folder).
typedef bool (*FileExists)(const char* path);

// The longest path the system takes, its terminator included.
enum : uint32_t { ProgramPathSize = 260 };

// Splits `commandLine` into the program and its parameters as process creation does: white space
// before the program is skipped; a first word in double quotes is the program without its quotes (up
// to the closing quote, or to the end when none follows). Without quotes, the prefixes that end before
// a space or tab are tried from the shortest, each with ".EXE" added where its name has no extension,
// and the first that `exists` names is the program ("C:\Program Files\A\UNINST.EXE /x" is not cut at
// "C:\Program"). The parameters are the rest, past the white space after the program.
// The program is copied into `program` (`capacity` bytes); `*parameters` points into `commandLine`.
// Returns false, with an empty program and empty parameters, for a command line without a program
// (empty, white space only, or ""), a quoted program that does not fit, or an unquoted one of which no
// prefix that fits names an existing file.
bool SplitCommandLine(const char* commandLine, FileExists exists, char* program, uint32_t capacity,
                      const char** parameters);

// The folders a program named without a folder is looked for in.
struct ProgramFolders {
    const char* system;     // the system folder ("C:\WINDOWS\SYSTEM32")
    const char* windows;    // the Windows folder
    const char* searchPath; // PATH: folders separated by ';' (null or empty: none)
    const char* launcher;   // the launcher's own folder, never searched (null or empty: none known)
};

// The command line to start for a registered one, so that no program beside the launcher or in the
// current folder can stand in for a program registered by its bare name ("MsiExec.exe /X{...}"):
// - a command whose program names a folder (a "\", "/" or ":" in it), or that has no program, is
//   copied as it stands;
// - a bare name is looked for as the system would, but without the launcher's folder and the current
//   folder: in the system folder, the Windows folder, then each folder of PATH in order, as given
//   where it has an extension, else with ".EXE". Folders that are not full paths ("X:\..." or
//   "\\server\...") or that are the launcher's own are skipped, as are candidates that do not fit in
//   ProgramPathSize. The first that `exists` names is put in double quotes, followed by a space and
//   the command's parameters unchanged (no space when it has none).
// Returns false, with an empty command, when a bare name is found nowhere or the result does not fit
// in `capacity` bytes.
bool ResolveCommandProgram(const char* commandLine, const ProgramFolders& folders, FileExists exists, char* command,
                           uint32_t capacity);

// How the system finds and reads the program of a command line it is asked to start, and which program
// the launcher lets it start: pure string rules, no platform calls. Whether a file exists and what a
// folder's full name is are the platform's answers, asked through `FileExists` and `FullFolderName`.
#pragma once

#include <stdint.h>

// Whether `path` names an existing file (not a folder).
typedef bool (*FileExists)(const char* path);

// The full name of `folder`, as the system reads it ("D:\sub\.." is "D:\"), into `full` (`capacity`
// bytes); false when there is none or it does not fit.
typedef bool (*FullFolderName)(const char* folder, char* full, uint32_t capacity);

// The longest path the system takes, its terminator included.
enum : uint32_t { ProgramPathSize = 260 };

// Whether `path` (`length` characters) starts as a full path does: a drive and a folder separator
// ("C:\", "C:/"), or a server and a share ("\\server\share\"). "C:x", "\x", "x\y" and ".\x" are relative:
// the system would read them against a current folder.
bool IsFullPath(const char* path, uint32_t length);

// Splits `commandLine` into the program and its parameters: white space before the program is skipped;
// a first word in double quotes is the program without its quotes (up to the closing quote, or to the
// end when none follows). Without quotes, of the prefixes that end before a space or tab, each with
// ".EXE" added where its name has no extension, the longest that `exists` names is the program, so that
// "C:\Program Files\A B\UNINST.EXE /x" is never cut at "C:\Program" or "C:\Program Files\A", whatever
// lies there. The parameters are the rest, past the white space after the program.
// The program is copied into `program` (`capacity` bytes); `*parameters` points into `commandLine`.
// Returns false, with an empty program and empty parameters, for a command line without a program
// (empty, white space only, or ""), a quoted program that does not fit, or an unquoted one of which no
// prefix that fits names an existing file.
bool SplitCommandLine(const char* commandLine, FileExists exists, char* program, uint32_t capacity,
                      const char** parameters);

// The folders a program named without a folder is looked for in, in the system's order.
struct ProgramFolders {
    const char* system;     // the system folder ("C:\WINDOWS\SYSTEM32")
    const char* system16;   // the 16-bit system folder ("C:\WINDOWS\SYSTEM")
    const char* windows;    // the Windows folder
    const char* searchPath; // PATH: folders separated by ';' (null or empty: none)
    const char* launcher;   // the launcher's own folder by its full name, never searched (null or empty: none)
    FullFolderName fullName; // reads each folder of PATH before it is compared with the launcher's
};

// The command line to start for a registered one, so that no program beside the launcher or in the
// current folder can stand in for the program the installer registered:
// - a command without a program ("", "\"\" /x") is copied as it stands;
// - a program named by its full path (IsFullPath) in quotes is copied as it stands; without quotes, the
//   longest prefix that names an existing file (as SplitCommandLine reads it) is put in quotes, followed
//   by a space and the parameters; where no prefix names one, the command is copied as it stands;
// - a bare name (no "\", "/" or ":"; without quotes, the longest of the prefixes that hold none of them)
//   is looked for as the system would, but without the launcher's folder and the current folder: in
//   the system folder, the 16-bit system folder, the Windows folder, then each folder of PATH in order,
//   as given where it has an extension, else with ".EXE". The longest prefix found in any folder wins.
//   Folders that are not full paths, that are the launcher's own once read by `fullName`, or whose
//   candidates do not fit in ProgramPathSize are skipped. The first that `exists` names is put in
//   double quotes, followed by a space and the command's parameters unchanged (no space when it has
//   none);
// - any other program (a relative path: "sub\x.exe", "..\x.exe", "\x.exe", "C:x.exe") starts nothing.
// Returns false, with an empty command, when nothing may be started or the result does not fit in
// `capacity` bytes.
bool ResolveCommandProgram(const char* commandLine, const ProgramFolders& folders, FileExists exists, char* command,
                           uint32_t capacity);

// Whether two texts of UTF-16 code units, each ending in 0, are the same unit for unit.
bool SameCodeUnits(const uint16_t* text, const uint16_t* other);

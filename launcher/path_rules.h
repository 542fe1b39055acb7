// Command lines the launcher builds from its own path, and the texts they are built from: pure string
// rules, no platform calls.
#pragma once

#include <stdint.h>

// Cuts a module path back to its folder, keeping the trailing backslash ("D:\" for a launcher at a
// drive root). A path without any backslash keeps only its first character; an empty one stays empty.
void TrimToFolder(char* path);

// Joins `name` onto the directory held in `directory`: an empty directory becomes `name`, a bare drive
// letter gets ":\" before it, anything else a backslash unless it already ends in one.
// `capacity` is the size of the buffer behind `directory`; a result that would not fit leaves the
// directory unchanged and returns false. Null pointers do nothing and return false. True when joined.
bool AppendPathComponent(char* directory, uint32_t capacity, const char* name);

// Builds the command that starts the setup program beside the launcher: the folder of `modulePath`
// joined with the setup program's file name `setupName`, in double quotes, so that a folder with spaces
// can never make the system start a program named after the first word of the path.
// Returns false (and an empty command) when the result would not fit in `capacity` bytes.
bool BuildSetupCommand(const char* modulePath, const char* setupName, char* command, uint32_t capacity);

// The file browser on the root of the launcher's drive: the browser in the Windows folder, named by its
// full path so that no EXPLORER.EXE beside the launcher can stand in for it, then "x:\" with x = `drive`:
// "C:\WINDOWS\EXPLORER.EXE D:\". A Windows folder with white space in it is put in double quotes with
// the program's name. A NUL drive (the launcher's path is unknown) leaves the program and a space
// without a folder, which opens the browser's own default view.
// Returns false (and an empty command) for an empty Windows folder, or when the command would not fit
// in `capacity` bytes.
bool BuildBrowseCommand(const char* windowsFolder, char drive, char* command, uint32_t capacity);

// Whether a registry value read into a buffer of `capacity` bytes is a usable, terminated command.
// A value that fills the whole buffer without a terminator is not: it is cleared and refused.
bool AcceptUninstallCommand(char* command, uint32_t capacity);

uint32_t TextLength(const char* text);

// Appends `length` characters of `part` at `*end` of a text being built in `capacity` bytes (`*end` is
// its length so far), keeping it terminated. Appends nothing and returns false when it would not fit.
bool AppendChars(char* text, uint32_t capacity, uint32_t* end, const char* part, uint32_t length);

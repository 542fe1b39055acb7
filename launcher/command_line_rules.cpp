#include "launcher/command_line_rules.h"

#include "launcher/path_rules.h"

static bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t';
}

static const char* SkipWhiteSpace(const char* text)
{
    while (IsWhiteSpace(*text)) {
        ++text;
    }
    return text;
}

static bool IsSeparator(char c)
{
    return c == '\\' || c == '/' || c == ':';
}

// The program's extension is a dot in its last component.
static bool HasExtension(const char* name, uint32_t length)
{
    for (uint32_t i = length; i > 0 && !IsSeparator(name[i - 1]); --i) {
        if (name[i - 1] == '.') {
            return true;
        }
    }
    return false;
}

// Writes `folder` (`folderLength` characters; none for a program in no folder), a backslash unless it
// ends in one, the program's `name` and ".EXE" where the name has no extension. False when it does not
// fit in `capacity` bytes.
static bool BuildCandidate(const char* folder, uint32_t folderLength, const char* name, uint32_t nameLength,
                           char* candidate, uint32_t capacity)
{
    uint32_t end = 0;
    if (capacity == 0) {
        return false;
    }
    candidate[0] = '\0';
    const bool separated = folderLength == 0 || folder[folderLength - 1] == '\\';
    return AppendChars(candidate, capacity, &end, folder, folderLength) &&
           (separated || AppendChars(candidate, capacity, &end, "\\", 1)) &&
           AppendChars(candidate, capacity, &end, name, nameLength) &&
           (HasExtension(name, nameLength) || AppendChars(candidate, capacity, &end, ".EXE", 4));
}

// Where the program of a command line lies in it: `length` characters from `start`, quotes left out;
// `rest` is past the closing quote, or past the first word of an unquoted command.
struct ProgramPlace {
    const char* start;
    uint32_t length;
    const char* rest;
    bool quoted;
};

static ProgramPlace LocateProgram(const char* commandLine)
{
    ProgramPlace place;
    const char* next = SkipWhiteSpace(commandLine);
    place.quoted = *next == '"';
    if (place.quoted) {
        ++next;
    }
    place.start = next;
    while (*next && (place.quoted ? *next != '"' : !IsWhiteSpace(*next))) {
        ++next;
    }
    place.length = static_cast<uint32_t>(next - place.start);
    place.rest = (place.quoted && *next == '"') ? next + 1 : next;
    return place;
}

// Process creation's reading of an unquoted command: each prefix that ends before white space, from the
// shortest, is a candidate.
static bool SplitUnquoted(const char* start, FileExists exists, char* program, uint32_t capacity,
                          const char** parameters)
{
    for (const char* end = start;; ++end) {
        while (*end && !IsWhiteSpace(*end)) {
            ++end;
        }
        // A prefix too long to hold means every longer one is too.
        if (!BuildCandidate("", 0, start, static_cast<uint32_t>(end - start), program, capacity)) {
            return false;
        }
        if (exists(program)) {
            *parameters = SkipWhiteSpace(end);
            return true;
        }
        if (!*end) {
            return false;
        }
    }
}

bool SplitCommandLine(const char* commandLine, FileExists exists, char* program, uint32_t capacity,
                      const char** parameters)
{
    static const char nothing[] = "";
    *parameters = nothing;
    if (capacity == 0) {
        return false;
    }
    program[0] = '\0';
    const ProgramPlace place = LocateProgram(commandLine);
    bool split = false;
    if (place.length > 0 && place.quoted) {
        uint32_t end = 0;
        split = AppendChars(program, capacity, &end, place.start, place.length);
        *parameters = SkipWhiteSpace(place.rest);
    } else if (place.length > 0) {
        split = SplitUnquoted(place.start, exists, program, capacity, parameters);
    }
    if (!split) {
        program[0] = '\0';
        *parameters = nothing;
    }
    return split;
}

static bool IsFullPath(const char* folder, uint32_t length)
{
    const bool drive = length >= 3 && folder[1] == ':' && folder[2] == '\\';
    const bool network = length >= 2 && folder[0] == '\\' && folder[1] == '\\';
    return drive || network;
}

static char UpperCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The same folder: ASCII letters compared without case, a trailing backslash on either side ignored.
static bool SameFolder(const char* folder, uint32_t length, const char* other)
{
    uint32_t otherLength = other ? TextLength(other) : 0;
    if (length > 0 && folder[length - 1] == '\\') {
        --length;
    }
    if (otherLength > 0 && other[otherLength - 1] == '\\') {
        --otherLength;
    }
    if (length != otherLength || length == 0) {
        return false;
    }
    for (uint32_t i = 0; i < length; ++i) {
        if (UpperCase(folder[i]) != UpperCase(other[i])) {
            return false;
        }
    }
    return true;
}

// Looks for the program `name` in one folder; true with `candidate` holding its full path when it is
// there.
static bool FoundIn(const char* folder, uint32_t folderLength, const ProgramFolders& folders, const char* name,
                    uint32_t nameLength, FileExists exists, char* candidate)
{
    return IsFullPath(folder, folderLength) && !SameFolder(folder, folderLength, folders.launcher) &&
           BuildCandidate(folder, folderLength, name, nameLength, candidate, ProgramPathSize) && exists(candidate);
}

static bool FindBareProgram(const char* name, uint32_t nameLength, const ProgramFolders& folders, FileExists exists,
                            char* candidate)
{
    const char* const fixedFolders[] = {folders.system, folders.windows};
    for (const char* folder : fixedFolders) {
        if (folder && FoundIn(folder, TextLength(folder), folders, name, nameLength, exists, candidate)) {
            return true;
        }
    }
    const char* entry = folders.searchPath ? folders.searchPath : "";
    while (*entry) {
        const char* end = entry;
        while (*end && *end != ';') {
            ++end;
        }
        if (FoundIn(entry, static_cast<uint32_t>(end - entry), folders, name, nameLength, exists, candidate)) {
            return true;
        }
        entry = *end ? end + 1 : end;
    }
    return false;
}

static bool NamesAFolder(const char* program, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i) {
        if (IsSeparator(program[i])) {
            return true;
        }
    }
    return false;
}

bool ResolveCommandProgram(const char* commandLine, const ProgramFolders& folders, FileExists exists, char* command,
                           uint32_t capacity)
{
    if (capacity == 0) {
        return false;
    }
    command[0] = '\0';
    const ProgramPlace place = LocateProgram(commandLine);
    uint32_t end = 0;
    if (place.length == 0 || NamesAFolder(place.start, place.length)) {
        return AppendChars(command, capacity, &end, commandLine, TextLength(commandLine));
    }
    char program[ProgramPathSize];
    if (!FindBareProgram(place.start, place.length, folders, exists, program)) {
        return false;
    }
    const char* parameters = SkipWhiteSpace(place.rest);
    const bool resolved = AppendChars(command, capacity, &end, "\"", 1) &&
                          AppendChars(command, capacity, &end, program, TextLength(program)) &&
                          AppendChars(command, capacity, &end, "\"", 1) &&
                          (!*parameters || (AppendChars(command, capacity, &end, " ", 1) &&
                                            AppendChars(command, capacity, &end, parameters, TextLength(parameters))));
    if (!resolved) {
        command[0] = '\0';
    }
    return resolved;
}

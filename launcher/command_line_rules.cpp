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

static bool IsFolderSeparator(char c)
{
    return c == '\\' || c == '/';
}

// A character that makes a program's name more than a bare name: a folder or a drive.
static bool IsSeparator(char c)
{
    return IsFolderSeparator(c) || c == ':';
}

static bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsFullPath(const char* path, uint32_t length)
{
    if (length >= 3 && IsLetter(path[0]) && path[1] == ':' && IsFolderSeparator(path[2])) {
        return true;
    }
    if (length < 2 || !IsFolderSeparator(path[0]) || !IsFolderSeparator(path[1])) {
        return false;
    }
    // "\\server\share": a server name, a separator, and a share name of at least one character each.
    uint32_t i = 2;
    while (i < length && !IsFolderSeparator(path[i])) {
        ++i;
    }
    return i > 2 && i + 1 < length && !IsFolderSeparator(path[i + 1]);
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

// How a candidate program is looked for: as it stands, or by a bare name in the folders a bare name is
// looked for in.
struct ProgramSearch {
    FileExists exists;
    const ProgramFolders* folders; // null: as it stands
    const char* launcherFolder;    // the launcher's folder by its full name
};

static char UpperCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The same folder: ASCII letters compared without case, a trailing backslash on either side ignored.
static bool SameFolder(const char* folder, const char* other)
{
    uint32_t length = TextLength(folder);
    uint32_t otherLength = TextLength(other);
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

// Looks for the program `name` in one folder (`length` characters); true with `candidate` holding its
// full path when it is there. A folder of PATH is compared with the launcher's by its full name.
static bool FoundIn(const char* folder, uint32_t length, bool fromSearchPath, const char* name, uint32_t nameLength,
                    const ProgramSearch& search, char* candidate)
{
    char given[ProgramPathSize];
    char full[ProgramPathSize];
    uint32_t end = 0;
    if (!IsFullPath(folder, length) || !AppendChars(given, sizeof given, &end, folder, length)) {
        return false;
    }
    const char* named = given;
    if (fromSearchPath) {
        if (!search.folders->fullName(given, full, sizeof full)) {
            return false;
        }
        named = full;
    }
    return !SameFolder(named, search.launcherFolder) &&
           BuildCandidate(named, TextLength(named), name, nameLength, candidate, ProgramPathSize) &&
           search.exists(candidate);
}

static bool FindBareProgram(const char* name, uint32_t nameLength, const ProgramSearch& search, char* candidate)
{
    const ProgramFolders& folders = *search.folders;
    const char* const fixedFolders[] = {folders.system, folders.system16, folders.windows};
    for (const char* folder : fixedFolders) {
        if (folder && FoundIn(folder, TextLength(folder), false, name, nameLength, search, candidate)) {
            return true;
        }
    }
    const char* entry = folders.searchPath ? folders.searchPath : "";
    while (*entry) {
        const char* end = entry;
        while (*end && *end != ';') {
            ++end;
        }
        if (FoundIn(entry, static_cast<uint32_t>(end - entry), true, name, nameLength, search, candidate)) {
            return true;
        }
        entry = *end ? end + 1 : end;
    }
    return false;
}

// Process creation's candidates of an unquoted command are its prefixes that end before white space or
// at `end`; of those up to `limit`, the longest that the search finds is the program, copied into
// `program` (`capacity` bytes, at most ProgramPathSize for a bare name). `*rest` is then past it.
static bool FindLongestPrefix(const char* start, const char* limit, const char* end, const ProgramSearch& search,
                              char* program, uint32_t capacity, const char** rest)
{
    for (const char* last = limit; last > start; --last) {
        if (last != end && !IsWhiteSpace(*last)) {
            continue;
        }
        const uint32_t length = static_cast<uint32_t>(last - start);
        const bool found = search.folders ? FindBareProgram(start, length, search, program)
                                          : BuildCandidate("", 0, start, length, program, capacity) &&
                                                search.exists(program);
        if (found) {
            *rest = last;
            return true;
        }
    }
    if (capacity > 0) {
        program[0] = '\0';
    }
    return false;
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
    const char* rest = place.rest;
    if (place.length > 0 && place.quoted) {
        uint32_t end = 0;
        split = AppendChars(program, capacity, &end, place.start, place.length);
    } else if (place.length > 0) {
        const char* end = place.start + TextLength(place.start);
        split = FindLongestPrefix(place.start, end, end, {exists, 0, 0}, program, capacity, &rest);
    }
    if (split) {
        *parameters = SkipWhiteSpace(rest);
    } else {
        program[0] = '\0';
    }
    return split;
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

// The program found, in double quotes, a space and the parameters (none when there are none).
static bool QuoteProgram(const char* program, const char* parameters, char* command, uint32_t capacity)
{
    uint32_t end = 0;
    parameters = SkipWhiteSpace(parameters);
    return AppendChars(command, capacity, &end, "\"", 1) &&
           AppendChars(command, capacity, &end, program, TextLength(program)) &&
           AppendChars(command, capacity, &end, "\"", 1) &&
           (!*parameters || (AppendChars(command, capacity, &end, " ", 1) &&
                             AppendChars(command, capacity, &end, parameters, TextLength(parameters))));
}

bool ResolveCommandProgram(const char* commandLine, const ProgramFolders& folders, FileExists exists, char* command,
                           uint32_t capacity)
{
    if (capacity == 0) {
        return false;
    }
    command[0] = '\0';
    uint32_t end = 0;
    const ProgramPlace place = LocateProgram(commandLine);
    const bool full = IsFullPath(place.start, place.length);
    if (place.length == 0 || (place.quoted && full)) {
        return AppendChars(command, capacity, &end, commandLine, TextLength(commandLine));
    }
    if (!full && NamesAFolder(place.start, place.length)) {
        return false; // relative to a folder the system would pick: the medium's, as like as not
    }
    char launcherFolder[ProgramPathSize];
    const char* launcher = folders.launcher ? folders.launcher : "";
    if (!folders.fullName || !folders.fullName(launcher, launcherFolder, sizeof launcherFolder)) {
        launcherFolder[0] = '\0';
        AppendChars(launcherFolder, sizeof launcherFolder, &end, launcher, TextLength(launcher));
    }
    const ProgramSearch search = {exists, full ? 0 : &folders, launcherFolder};
    char program[ProgramPathSize];
    const char* rest = place.rest;
    bool found;
    if (place.quoted) {
        found = FindBareProgram(place.start, place.length, search, program);
    } else {
        // A bare name's prefixes end before its first folder or drive separator.
        const char* textEnd = place.start + TextLength(place.start);
        const char* limit = place.start;
        while (limit < textEnd && (full || !IsSeparator(*limit))) {
            ++limit;
        }
        found = FindLongestPrefix(place.start, limit, textEnd, search, program, sizeof program, &rest);
        if (!found && full) {
            end = 0;
            return AppendChars(command, capacity, &end, commandLine, TextLength(commandLine));
        }
    }
    const bool resolved = found && QuoteProgram(program, rest, command, capacity);
    if (!resolved) {
        command[0] = '\0';
    }
    return resolved;
}

bool SameCodeUnits(const uint16_t* text, const uint16_t* other)
{
    for (; *text == *other; ++text, ++other) {
        if (*text == 0) {
            return true;
        }
    }
    return false;
}

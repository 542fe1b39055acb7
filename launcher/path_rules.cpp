#include "launcher/path_rules.h"


uint32_t TextLength(const char* text)
{
    uint32_t n = 0;
    while (text[n]) {
        ++n;
    }
    return n;
}

void TrimToFolder(char* path)
{
    uint32_t n = TextLength(path);
    while (n > 1 && path[n - 1] != '\\') {
        path[n - 1] = '\0';
        --n;
    }
}

bool AppendPathComponent(char* directory, uint32_t capacity, const char* name)
{
    if (!directory || !name) {
        return false;
    }
    const uint32_t length = TextLength(directory);
    const char* separator = "";
    if (length == 1) {
        separator = ":\\";
    } else if (length > 1 && directory[length - 1] != '\\') {
        separator = "\\";
    }
    const uint32_t separatorLength = TextLength(separator);
    const uint32_t nameLength = TextLength(name);
    if (length >= capacity || capacity - length <= separatorLength + nameLength) {
        return false;
    }
    char* end = directory + length;
    for (uint32_t i = 0; i < separatorLength; ++i) {
        *end++ = separator[i];
    }
    for (uint32_t i = 0; i <= nameLength; ++i) {
        *end++ = name[i];
    }
    return true;
}

bool BuildSetupCommand(const char* modulePath, const char* setupName, char* command, uint32_t capacity)
{
    if (capacity == 0) {
        return false;
    }
    command[0] = '\0';
    const uint32_t pathLength = TextLength(modulePath);
    // Opening quote, the path, and room for the closing quote and terminator.
    if (pathLength + 3 > capacity) {
        return false;
    }
    char* folder = command + 1;
    for (uint32_t i = 0; i <= pathLength; ++i) {
        folder[i] = modulePath[i];
    }
    TrimToFolder(folder);
    if (!AppendPathComponent(folder, capacity - 2, setupName)) {
        command[0] = '\0';
        return false;
    }
    const uint32_t end = 1 + TextLength(folder);
    command[0] = '"';
    command[end] = '"';
    command[end + 1] = '\0';
    return true;
}

bool AppendChars(char* text, uint32_t capacity, uint32_t* end, const char* part, uint32_t length)
{
    if (capacity - *end <= length) {
        return false;
    }
    for (uint32_t i = 0; i < length; ++i) {
        text[*end + i] = part[i];
    }
    *end += length;
    text[*end] = '\0';
    return true;
}

static bool AppendText(char* command, uint32_t capacity, uint32_t* end, const char* text)
{
    return AppendChars(command, capacity, end, text, TextLength(text));
}

static bool HasWhiteSpace(const char* text)
{
    for (; *text; ++text) {
        if (*text == ' ' || *text == '\t') {
            return true;
        }
    }
    return false;
}

bool BuildBrowseCommand(const char* windowsFolder, char drive, char* command, uint32_t capacity)
{
    if (capacity == 0) {
        return false;
    }
    command[0] = '\0';
    // Without the Windows folder only a bare name would be left, which is searched for beside the
    // launcher first.
    if (!windowsFolder || windowsFolder[0] == '\0') {
        return false;
    }
    const char* quote = HasWhiteSpace(windowsFolder) ? "\"" : "";
    const char* separator = windowsFolder[TextLength(windowsFolder) - 1] == '\\' ? "" : "\\";
    const char root[] = {drive, ':', '\\', '\0'}; // a NUL drive ends the command after the space
    const char* const parts[] = {quote, windowsFolder, separator, "EXPLORER.EXE", quote, " ", root};
    uint32_t end = 0;
    for (const char* part : parts) {
        if (!AppendText(command, capacity, &end, part)) {
            command[0] = '\0';
            return false;
        }
    }
    return true;
}

bool AcceptUninstallCommand(char* command, uint32_t capacity)
{
    for (uint32_t i = 0; i < capacity; ++i) {
        if (command[i] == '\0') {
            return true;
        }
    }
    command[0] = '\0';
    return false;
}

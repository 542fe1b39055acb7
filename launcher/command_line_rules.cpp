#include "launcher/command_line_rules.h"

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

bool SplitCommandLine(const char* commandLine, char* program, uint32_t capacity, const char** parameters)
{
    static const char nothing[] = "";
    *parameters = nothing;
    if (capacity == 0) {
        return false;
    }
    program[0] = '\0';
    const char* next = SkipWhiteSpace(commandLine);
    const bool quoted = *next == '"';
    if (quoted) {
        ++next;
    }
    uint32_t length = 0;
    for (; *next && (quoted ? *next != '"' : !IsWhiteSpace(*next)); ++next) {
        if (length + 1 >= capacity) {
            program[0] = '\0';
            return false;
        }
        program[length++] = *next;
    }
    program[length] = '\0';
    if (length == 0) {
        return false;
    }
    if (quoted && *next == '"') {
        ++next;
    }
    *parameters = SkipWhiteSpace(next);
    return true;
}

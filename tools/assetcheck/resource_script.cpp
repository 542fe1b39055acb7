#include "tools/assetcheck/resource_script.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace assetcheck {

namespace {

// The next word of `line` from `pos`: a quoted string with its quotes, or a run of non-blanks.
std::string ReadWord(const std::string& line, size_t& pos)
{
    while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) {
        ++pos;
    }
    if (pos >= line.size()) {
        return "";
    }
    std::string word;
    if (line[pos] == '"') {
        word += line[pos++];
        while (pos < line.size()) {
            if (line[pos] == '"') {
                if (pos + 1 < line.size() && line[pos + 1] == '"') { // "" is a quote inside a string
                    word += '"';
                    pos += 2;
                    continue;
                }
                word += line[pos++];
                break;
            }
            if (line[pos] == '\\' && pos + 1 < line.size()) {
                word += line[pos + 1];
                pos += 2;
                continue;
            }
            word += line[pos++];
        }
        return word;
    }
    while (pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos]))) {
        word += line[pos++];
    }
    return word;
}

std::string Upper(std::string s)
{
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

bool ParseId(const std::string& word, int& id)
{
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 0);
    if (*end != '\0' || value < 0 || value > 65535) {
        return false;
    }
    id = static_cast<int>(value);
    return true;
}

// The script's text with comments blanked out (line breaks kept, strings left alone).
std::string WithoutComments(const std::string& text)
{
    std::string out = text;
    bool inString = false;
    for (size_t i = 0; i < out.size(); ++i) {
        if (inString) {
            if (out[i] == '"') {
                inString = false;
            }
            continue;
        }
        if (out[i] == '"') {
            inString = true;
        } else if (out[i] == '\n') {
            inString = false;
        } else if (out[i] == '/' && i + 1 < out.size() && out[i + 1] == '/') {
            while (i < out.size() && out[i] != '\n') {
                out[i++] = ' ';
            }
        } else if (out[i] == '/' && i + 1 < out.size() && out[i + 1] == '*') {
            while (i < out.size() && !(out[i] == '*' && i + 1 < out.size() && out[i + 1] == '/')) {
                if (out[i] != '\n') {
                    out[i] = ' ';
                }
                ++i;
            }
            if (i < out.size()) {
                out[i] = ' ';
                if (i + 1 < out.size()) {
                    out[++i] = ' ';
                }
            }
        }
    }
    return out;
}

// What follows `directive` ("#define", "#include") on each line that starts with it, comments removed.
std::vector<std::string> DirectiveLines(const std::string& text, const std::string& directive)
{
    std::vector<std::string> found;
    std::istringstream lines(WithoutComments(text));
    std::string line;
    while (std::getline(lines, line)) {
        size_t pos = 0;
        if (ReadWord(line, pos) == directive) {
            found.push_back(line.substr(pos));
        }
    }
    return found;
}

} // namespace

void ParseIdDefines(const std::string& text, IdNames& names)
{
    for (const std::string& line : DirectiveLines(text, "#define")) {
        size_t pos = 0;
        const std::string name = ReadWord(line, pos);
        int id = 0;
        if (ParseId(ReadWord(line, pos), id) && ReadWord(line, pos).empty()) {
            names[name] = id;
        }
    }
}

std::vector<std::string> IncludedFiles(const std::string& text)
{
    std::vector<std::string> files;
    for (const std::string& line : DirectiveLines(text, "#include")) {
        size_t pos = 0;
        const std::string file = ReadWord(line, pos);
        if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
            files.push_back(file.substr(1, file.size() - 2));
        }
    }
    return files;
}

std::vector<ScriptEntry> ParseResourceScript(const std::string& text, const std::string& scriptName,
                                             const IdNames& names, Report& report)
{
    std::vector<ScriptEntry> entries;
    std::istringstream lines(WithoutComments(text));
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        size_t pos = 0;
        const std::string name = ReadWord(line, pos);
        const std::string type = Upper(ReadWord(line, pos));
        ResourceKind kind;
        if (type == "BITMAP") {
            kind = ResourceKind::Bitmap;
        } else if (type == "WAVE" || type == "\"WAVE\"") {
            kind = ResourceKind::Wave;
        } else if (type == "ICON") {
            kind = ResourceKind::Icon;
        } else {
            continue;
        }
        // Memory flags (DISCARDABLE, ...) may stand between the type and the file name.
        std::string file, word;
        while (!(word = ReadWord(line, pos)).empty()) {
            file = word;
        }
        const std::string where = scriptName + ":" + std::to_string(number);
        if (file.empty()) {
            report.Error(where, std::string(KindName(kind)) + " " + name + " names no file");
            continue;
        }
        if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
            file = file.substr(1, file.size() - 2);
        }
        int id = 0;
        const auto named = names.find(name);
        if (named != names.end()) {
            id = named->second;
        } else if (!ParseId(name, id)) {
            report.Warning(where, std::string(KindName(kind)) + " " + name +
                                      " is neither a number nor a name the included headers define; the launcher "
                                      "loads none such, not checked");
            continue;
        }
        entries.push_back({id, kind, file, number});
    }
    return entries;
}

} // namespace assetcheck

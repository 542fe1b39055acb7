#include "launcher/command_line_rules.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace {

const char refused[] = "<refused>";

std::string UpperCase(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The files that exist, in upper case with backslashes: names are compared without case, and "/" is a
// folder separator too, as the system has them.
std::set<std::string> files;

bool Exists(const char* path)
{
    std::string name = UpperCase(path);
    for (char& c : name) {
        c = c == '/' ? '\\' : c;
    }
    return files.count(name) > 0;
}

class CommandLines : public testing::Test {
protected:
    void SetUp() override
    {
        files = {};
        for (const char* path : {"C:\\WINDOWS\\EXPLORER.EXE", "C:\\WINDOWS\\SYSTEM32\\MSIEXEC.EXE",
                                 "C:\\WINDOWS\\SYSTEM32\\CMD.EXE", "C:\\WINDOWS\\NOTEPAD.EXE", "C:\\TOOLS\\TOOL.EXE",
                                 "C:\\PROGRAM FILES\\VENDOR\\UNINST.EXE", "C:\\V1.2\\UNINST.EXE", "SETUP.EXE",
                                 "A B.EXE", "D:\\MSIEXEC.EXE", "D:\\UNKNOWN.EXE", "UNKNOWN.EXE",
                                 // Unquoted paths with a decoy at a shorter prefix, bare names with a space,
                                 // the 16-bit system folder, a name in two system folders.
                                 "C:\\PROGRAM FILES\\QELVAR LUMIVANE\\UNINST.EXE", "C:\\PROGRAM FILES\\QELVAR.EXE",
                                 "C:\\TOOLS\\MY UNINSTALLER.EXE", "C:\\WINDOWS\\SYSTEM32\\MY.EXE",
                                 "C:\\WINDOWS\\SYSTEM\\OLDUNINS.EXE", "C:\\WINDOWS\\SYSTEM32\\BOTH.EXE",
                                 "C:\\WINDOWS\\SYSTEM\\BOTH.EXE", "C:\\WINDOWS\\BOTH.EXE", "C:\\WINDOWS\\SYSTEM\\OLD.EXE",
                                 "C:\\WINDOWS\\OLD.EXE", "C:TOOLS\\TOOL2.EXE", "D:\\SUB\\X.EXE", "D:\\X.EXE",
                                 "\\\\SERVER\\SHARE\\UN.EXE", "D:\\TOOL2.EXE",
                                 // The medium's file by other spellings of its folder, and a file that a
                                 // bare name's prefix past a folder separator would name.
                                 "D:\\.\\UNKNOWN.EXE", "D:\\\\UNKNOWN.EXE", "D:\\SUB\\..\\UNKNOWN.EXE",
                                 "C:\\WINDOWS\\SYSTEM32\\MY TOOL\\X.EXE"}) {
            files.insert(path);
        }
    }
    void TearDown() override { files = {}; }
};

// (program, parameters) of `commandLine`, or (<refused>, parameters) when it names no program.
std::pair<std::string, std::string> Split(const char* commandLine, uint32_t capacity = 260)
{
    std::string program(capacity, 'x');
    const char* parameters = nullptr;
    const bool split = SplitCommandLine(commandLine, Exists, &program[0], capacity, &parameters);
    EXPECT_NE(parameters, nullptr);
    if (!split) {
        EXPECT_EQ(program[0], '\0');
        return {refused, parameters};
    }
    return {program.c_str(), parameters};
}

using Parts = std::pair<std::string, std::string>;

// The system's reading of a folder's full name, for the spellings the tests use; any other folder is its
// own full name.
bool FullName(const char* folder, char* full, uint32_t capacity)
{
    static const std::pair<std::string, std::string> spellings[] = {
        {"D:\\.", "D:\\"}, {"D:\\\\", "D:\\"}, {"D:\\SUB\\..", "D:\\"}, {"D:\\SUB\\..\\", "D:\\"}};
    std::string name = folder;
    for (const auto& spelling : spellings) {
        if (UpperCase(name) == spelling.first) {
            name = spelling.second;
        }
    }
    if (name.size() >= capacity) {
        return false;
    }
    std::memcpy(full, name.c_str(), name.size() + 1);
    return true;
}

// The launcher on `launcher` (D:\), the system folders of C:\WINDOWS, and PATH as given.
std::string Resolved(const char* commandLine, const char* searchPath = "", uint32_t capacity = 600,
                     const char* launcher = "D:\\")
{
    const ProgramFolders folders = {"C:\\WINDOWS\\SYSTEM32", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS", searchPath,
                                    launcher, FullName};
    std::string command(capacity, 'x');
    if (!ResolveCommandProgram(commandLine, folders, Exists, &command[0], capacity)) {
        EXPECT_EQ(command[0], '\0');
        return refused;
    }
    return command.c_str();
}

} // namespace

TEST_F(CommandLines, AnUnquotedProgramIsTheLongestPrefixThatNamesAFile)
{
    const struct {
        const char* commandLine;
        Parts parts;
    } cases[] = {
        {"C:\\WINDOWS\\EXPLORER.EXE D:\\", {"C:\\WINDOWS\\EXPLORER.EXE", "D:\\"}},
        {"C:\\Program Files\\Vendor\\UNINST.EXE /remove \"Vendor\"", {"C:\\Program Files\\Vendor\\UNINST.EXE",
                                                                      "/remove \"Vendor\""}},
        // ".EXE" is added where the name has no extension; a dot in a folder is none.
        {"C:\\Program Files\\Vendor\\UNINST /remove", {"C:\\Program Files\\Vendor\\UNINST.EXE", "/remove"}},
        {"C:\\v1.2\\UNINST /x", {"C:\\v1.2\\UNINST.EXE", "/x"}},
        {"SETUP.EXE\t/s", {"SETUP.EXE", "/s"}},
        {"SETUP", {"SETUP.EXE", ""}},
        // The browser command of a launcher whose path is unknown: program and a space.
        {"C:\\WINDOWS\\EXPLORER.EXE ", {"C:\\WINDOWS\\EXPLORER.EXE", ""}},
        {"C:\\Program Files\\Nothing.EXE /x", {refused, ""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Split(c.commandLine), c.parts) << c.commandLine;
    }
    // The longest prefix wins: a file at a shorter one is not the program the command names.
    files.insert("C:\\PROGRAM.EXE");
    EXPECT_EQ(Split("C:\\Program Files\\Vendor\\UNINST.EXE /x"),
              Parts("C:\\Program Files\\Vendor\\UNINST.EXE", "/x"));
    EXPECT_EQ(Split("C:\\Program Files\\Qelvar Lumivane\\uninst.exe /S"),
              Parts("C:\\Program Files\\Qelvar Lumivane\\uninst.exe", "/S"));
    EXPECT_EQ(Split("C:\\Program x"), Parts("C:\\Program.EXE", "x"));
}

TEST_F(CommandLines, AQuotedProgramRunsToItsClosingQuote)
{
    files = {}; // a quoted program is taken as it stands
    EXPECT_EQ(Split("\"D:\\Setup Files\\SETUP.EXE\""), Parts("D:\\Setup Files\\SETUP.EXE", ""));
    EXPECT_EQ(Split("\"C:\\Program Files\\Vendor\\UNINST.EXE\" /remove \"Some Product\""),
              Parts("C:\\Program Files\\Vendor\\UNINST.EXE", "/remove \"Some Product\""));
    EXPECT_EQ(Split("\"C:\\WIN DOWS\\EXPLORER.EXE\" D:\\"), Parts("C:\\WIN DOWS\\EXPLORER.EXE", "D:\\"));
    EXPECT_EQ(Split("\"A B\"/x"), Parts("A B", "/x"));
    // No closing quote: the program runs to the end.
    EXPECT_EQ(Split("\"C:\\Program Files\\UNINST.EXE /x"), Parts("C:\\Program Files\\UNINST.EXE /x", ""));
}

TEST_F(CommandLines, WhiteSpaceBeforeTheProgramAndBeforeTheParametersIsSkipped)
{
    EXPECT_EQ(Split("  \tSETUP.EXE   /s /q "), Parts("SETUP.EXE", "/s /q "));
    EXPECT_EQ(Split(" \"A B.EXE\"  x"), Parts("A B.EXE", "x"));
}

TEST_F(CommandLines, ACommandWithoutAProgramIsRefused)
{
    EXPECT_EQ(Split(""), Parts(refused, ""));
    EXPECT_EQ(Split("   "), Parts(refused, ""));
    EXPECT_EQ(Split(" \t "), Parts(refused, ""));
    EXPECT_EQ(Split("\"\" /x"), Parts(refused, ""));
    EXPECT_EQ(Split("\""), Parts(refused, ""));
}

TEST_F(CommandLines, AProgramThatDoesNotFitIsRefusedAndNothingIsWrittenPastTheBuffer)
{
    files.insert("ABCDEFGH.EXE");
    EXPECT_EQ(Split("ABCDEFGH.EXE x", 13), Parts("ABCDEFGH.EXE", "x"));
    EXPECT_EQ(Split("ABCDEFGH.EXE x", 12), Parts(refused, ""));
    EXPECT_EQ(Split("\"ABCDEFGH.EXE\" x", 12), Parts(refused, ""));
    // ".EXE" added must fit too.
    EXPECT_EQ(Split("ABCDEFGH x", 13), Parts("ABCDEFGH.EXE", "x"));
    EXPECT_EQ(Split("ABCDEFGH x", 12), Parts(refused, ""));
    const std::string longest(255, 'p');
    files.insert(UpperCase(longest + ".EXE"));
    EXPECT_EQ(Split((longest + ".EXE q").c_str()), Parts(longest + ".EXE", "q"));
    EXPECT_EQ(Split(("p" + longest + ".EXE q").c_str()), Parts(refused, ""));
    // Canaries after the buffer catch any write past its end.
    char buffer[8 + 4];
    std::memset(buffer, '#', sizeof buffer);
    const char* parameters = nullptr;
    EXPECT_FALSE(SplitCommandLine("ABCDEFGHIJKL", Exists, buffer, 8, &parameters));
    EXPECT_EQ(std::string(buffer + 8, 4), "####");
    EXPECT_FALSE(SplitCommandLine("X", Exists, buffer, 0, &parameters));
    EXPECT_EQ(buffer[0], '\0');
}

// The one table of registered commands and the folders around them: which program the launcher lets
// the system start. A bare name is looked for in the system folder, the 16-bit system folder, the Windows
// folder and the folders of PATH, never beside the launcher (D:\) or in the current folder, and started by
// its full, quoted path with its parameters unchanged; an unquoted full path by its longest prefix that
// names a file; a program relative to a folder the system would choose not at all.
TEST_F(CommandLines, WhichProgramARegisteredCommandStarts)
{
    const char* const path = ".;;D:\\;relative\\bin;d:;C:TOOLS;C:\\TOOLS\\";
    const struct {
        const char* commandLine;
        const char* searchPath;
        const char* launcher;
        const char* command;
    } cases[] = {
        // Bare names, in the system's order of folders; ".EXE" added where the name has none.
        {"MsiExec.exe /X{0A1B2C3D-0000}", path, "D:\\", "\"C:\\WINDOWS\\SYSTEM32\\MsiExec.exe\" /X{0A1B2C3D-0000}"},
        {"\"MsiExec.exe\"/X{1}", path, "D:\\", "\"C:\\WINDOWS\\SYSTEM32\\MsiExec.exe\" /X{1}"},
        {"  cmd /c del \"C:\\A B\"", path, "D:\\", "\"C:\\WINDOWS\\SYSTEM32\\cmd.EXE\" /c del \"C:\\A B\""},
        {"notepad", path, "D:\\", "\"C:\\WINDOWS\\notepad.EXE\""},
        {"tool.exe\t/q", path, "D:\\", "\"C:\\TOOLS\\tool.exe\" /q"},
        {"both.exe", path, "D:\\", "\"C:\\WINDOWS\\SYSTEM32\\both.exe\""},
        {"old /x", path, "D:\\", "\"C:\\WINDOWS\\SYSTEM\\old.EXE\" /x"},
        {"OLDUNINS.EXE", path, "D:\\", "\"C:\\WINDOWS\\SYSTEM\\OLDUNINS.EXE\""},
        // A bare name with a space: the longest prefix found in any folder, never past a folder separator.
        {"My Uninstaller.exe /x", path, "D:\\", "\"C:\\TOOLS\\My Uninstaller.exe\" /x"},
        {"My Tool\\x.exe", path, "D:\\", "\"C:\\WINDOWS\\SYSTEM32\\My.EXE\" Tool\\x.exe"},
        // Found only beside the launcher, in the current folder (relative or drive-relative PATH entries)
        // or in the launcher's folder spelt otherwise: nothing.
        {"UNKNOWN.EXE /x", path, "D:\\", refused},
        {"NOWHERE /x", path, "D:\\", refused},
        {"TOOL2.EXE", "C:TOOLS", "D:\\", refused},
        {"UNKNOWN.EXE", "D:\\", "d:\\", refused},
        {"UNKNOWN.EXE", "d:\\;C:\\TOOLS", "D:\\", refused},
        {"UNKNOWN.EXE", "D:\\.", "D:\\", refused},
        {"UNKNOWN.EXE", "D:\\\\", "D:\\", refused},
        {"UNKNOWN.EXE", "D:\\sub\\..", "D:\\", refused},
        {"UNKNOWN.EXE", "D:\\sub\\..\\;C:\\TOOLS", "D:\\", refused},
        {"tool.exe", nullptr, "D:\\", refused},
        // Full paths: quoted as they stand; unquoted, the longest prefix that names a file, never a decoy at
        // a shorter one; where none names a file, as registered.
        {"\"C:\\Program Files\\Vendor\\UNINST.EXE\" /remove", path, "D:\\",
         "\"C:\\Program Files\\Vendor\\UNINST.EXE\" /remove"},
        {"C:\\Program Files\\Vendor\\UNINST.EXE /remove", path, "D:\\",
         "\"C:\\Program Files\\Vendor\\UNINST.EXE\" /remove"},
        {"C:\\Program Files\\Qelvar Lumivane\\uninst.exe /S", path, "D:\\",
         "\"C:\\Program Files\\Qelvar Lumivane\\uninst.exe\" /S"},
        {"C:\\Program Files\\Nothing\\UNINST.EXE /x", path, "D:\\", "C:\\Program Files\\Nothing\\UNINST.EXE /x"},
        {"C:/Tools/UNINST.EXE /x", path, "D:\\", "C:/Tools/UNINST.EXE /x"},
        {"c:/tools/tool.exe /x", path, "D:\\", "\"c:/tools/tool.exe\" /x"},
        {"\\\\server\\share\\un.exe /x", path, "D:\\", "\"\\\\server\\share\\un.exe\" /x"},
        // Relative programs: the system would read them against the medium's folder or drive.
        {"sub\\x.exe /x", path, "D:\\", refused},
        {"sub/x.exe", path, "D:\\", refused},
        {"..\\..\\x.exe", path, "D:\\", refused},
        {".\\x.exe", path, "D:\\", refused},
        {"\\x.exe", path, "D:\\", refused},
        {"\"\\x.exe\" /x", path, "D:\\", refused},
        {"D:UNINST.EXE", path, "D:\\", refused},
        {"%SystemRoot%\\system32\\msiexec.exe /x", path, "D:\\", refused},
        // A server's share with nothing in it names no file: as registered.
        {"\\\\server\\x.exe", path, "D:\\", "\\\\server\\x.exe"},
        // No program at all: as registered.
        {"", path, "D:\\", ""},
        {"\"\" /x", path, "D:\\", "\"\" /x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Resolved(c.commandLine, c.searchPath, 600, c.launcher), c.command)
            << c.commandLine << " with PATH " << (c.searchPath ? c.searchPath : "(none)") << ", launcher in "
            << c.launcher;
    }
}

TEST_F(CommandLines, FullPathsAreADriveAndAFolderOrAServerAndAShare)
{
    const struct {
        const char* path;
        bool full;
    } cases[] = {
        {"C:\\", true}, {"c:/x", true}, {"\\\\server\\share", true}, {"//server/share/x", true},
        {"C:", false}, {"C:x", false}, {"\\x", false}, {"x\\y", false}, {".\\x", false}, {"\\\\server", false},
        {"\\\\server\\", false}, {"\\\\\\share", false}, {"1:\\x", false}, {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsFullPath(c.path, static_cast<uint32_t>(std::strlen(c.path))), c.full) << c.path;
    }
}

TEST(CodeUnits, OnlyTheSameUnitsToTheEndAreTheSame)
{
    const uint16_t path[] = {'D', ':', '\\', 'a', 0xFF02, ' ', 'b', 0};
    const uint16_t readBack[] = {'D', ':', '\\', 'a', '"', ' ', 'b', 0};
    const uint16_t shorter[] = {'D', ':', '\\', 'a', 0xFF02, 0};
    EXPECT_TRUE(SameCodeUnits(path, path));
    EXPECT_FALSE(SameCodeUnits(path, readBack));
    EXPECT_FALSE(SameCodeUnits(path, shorter));
    EXPECT_FALSE(SameCodeUnits(shorter, path));
}

TEST_F(CommandLines, AResolvedCommandThatDoesNotFitIsRefused)
{
    const std::string expected = "\"C:\\WINDOWS\\notepad.EXE\" /p";
    EXPECT_EQ(Resolved("notepad /p", "", expected.size() + 1), expected);
    EXPECT_EQ(Resolved("notepad /p", "", expected.size()), refused);
    EXPECT_EQ(Resolved("C:\\A.EXE /p", "", 12), "C:\\A.EXE /p");
    EXPECT_EQ(Resolved("C:\\A.EXE /p", "", 11), refused);
    // A candidate of PATH too long for a path is skipped, not cut short: 260 characters are one too many.
    const std::string deep = "C:\\" + std::string(250, 'f');
    files.insert(UpperCase(deep + "\\TOOL.EXE"));
    EXPECT_EQ(Resolved("tool.exe", (deep + ";C:\\TOOLS").c_str()), "\"C:\\TOOLS\\tool.exe\"");
    files.insert(UpperCase(deep + "\\T.EXE"));
    EXPECT_EQ(Resolved("t.exe", deep.c_str()), "\"" + deep + "\\t.exe\"");
    files.insert(UpperCase(deep + "\\TT.EXE"));
    EXPECT_EQ((deep + "\\tt.exe").size(), 260u);
    EXPECT_EQ(Resolved("tt.exe", deep.c_str()), refused);
    // An unquoted full path whose longest prefix does not fit is read at a shorter one.
    files.insert(UpperCase(deep + "\\T.EXE " + std::string(8, 'x') + ".EXE"));
    EXPECT_EQ(Resolved((deep + "\\t.exe " + std::string(8, 'x') + ".exe").c_str()),
              "\"" + deep + "\\t.exe\" " + std::string(8, 'x') + ".exe");
}

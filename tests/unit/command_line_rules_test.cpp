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

// The files that exist, in upper case: names are compared without case, as the system does.
std::set<std::string> files;

bool Exists(const char* path)
{
    return files.count(UpperCase(path)) > 0;
}

class CommandLines : public testing::Test {
protected:
    void SetUp() override
    {
        files = {};
        for (const char* path : {"C:\\WINDOWS\\EXPLORER.EXE", "C:\\WINDOWS\\SYSTEM32\\MSIEXEC.EXE",
                                 "C:\\WINDOWS\\SYSTEM32\\CMD.EXE", "C:\\WINDOWS\\NOTEPAD.EXE", "C:\\TOOLS\\TOOL.EXE",
                                 "C:\\PROGRAM FILES\\VENDOR\\UNINST.EXE", "C:\\V1.2\\UNINST.EXE", "SETUP.EXE",
                                 "A B.EXE", "D:\\MSIEXEC.EXE", "D:\\UNKNOWN.EXE", "UNKNOWN.EXE"}) {
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

// The launcher on D:\, the system folders of C:\WINDOWS, and PATH as given.
std::string Resolved(const char* commandLine, const char* searchPath = "", uint32_t capacity = 600)
{
    const ProgramFolders folders = {"C:\\WINDOWS\\SYSTEM32", "C:\\WINDOWS", searchPath, "D:\\"};
    std::string command(capacity, 'x');
    if (!ResolveCommandProgram(commandLine, folders, Exists, &command[0], capacity)) {
        EXPECT_EQ(command[0], '\0');
        return refused;
    }
    return command.c_str();
}

} // namespace

TEST_F(CommandLines, AnUnquotedProgramIsTheShortestPrefixThatNamesAFile)
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
    // The shortest prefix wins, as the system's own start takes it.
    files.insert("C:\\PROGRAM.EXE");
    EXPECT_EQ(Split("C:\\Program Files\\Vendor\\UNINST.EXE /x"),
              Parts("C:\\Program.EXE", "Files\\Vendor\\UNINST.EXE /x"));
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

// A program registered by its bare name is looked for in the system folder, the Windows folder and the
// folders of PATH, never beside the launcher (D:\) or in the current folder, and started by its full,
// quoted path with its parameters unchanged.
TEST_F(CommandLines, ABareProgramNameIsResolvedOutsideTheLaunchersAndTheCurrentFolder)
{
    const char* const path = ".;;D:\\;relative\\bin;d:;C:\\TOOLS\\";
    const struct {
        const char* commandLine;
        const char* command;
    } cases[] = {
        {"MsiExec.exe /X{0A1B2C3D-0000}", "\"C:\\WINDOWS\\SYSTEM32\\MsiExec.exe\" /X{0A1B2C3D-0000}"},
        {"\"MsiExec.exe\"/X{1}", "\"C:\\WINDOWS\\SYSTEM32\\MsiExec.exe\" /X{1}"},
        {"  cmd /c del \"C:\\A B\"", "\"C:\\WINDOWS\\SYSTEM32\\cmd.EXE\" /c del \"C:\\A B\""},
        {"notepad", "\"C:\\WINDOWS\\notepad.EXE\""},
        {"tool.exe\t/q", "\"C:\\TOOLS\\tool.exe\" /q"},
        // Found only beside the launcher or in the current folder (relative PATH entries): nothing.
        {"UNKNOWN.EXE /x", refused},
        {"NOWHERE /x", refused},
        // A program with a folder, or none at all, stands as registered.
        {"C:\\Program Files\\Vendor\\UNINST.EXE /remove", "C:\\Program Files\\Vendor\\UNINST.EXE /remove"},
        {"\"C:\\Program Files\\Vendor\\UNINST.EXE\" /remove", "\"C:\\Program Files\\Vendor\\UNINST.EXE\" /remove"},
        {"..\\UNINST.EXE", "..\\UNINST.EXE"},
        {"D:UNINST.EXE", "D:UNINST.EXE"},
        {"", ""},
        {"\"\" /x", "\"\" /x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Resolved(c.commandLine, path), c.command) << c.commandLine;
    }
    // The launcher's folder is skipped in PATH too, whatever its case.
    EXPECT_EQ(Resolved("UNKNOWN.EXE", "d:\\;C:\\TOOLS"), refused);
    // Without PATH only the two system folders are searched.
    EXPECT_EQ(Resolved("tool.exe", nullptr), refused);
}

TEST_F(CommandLines, AResolvedCommandThatDoesNotFitIsRefused)
{
    const std::string expected = "\"C:\\WINDOWS\\notepad.EXE\" /p";
    EXPECT_EQ(Resolved("notepad /p", "", expected.size() + 1), expected);
    EXPECT_EQ(Resolved("notepad /p", "", expected.size()), refused);
    EXPECT_EQ(Resolved("C:\\A.EXE /p", "", 12), "C:\\A.EXE /p");
    EXPECT_EQ(Resolved("C:\\A.EXE /p", "", 11), refused);
    // A folder of PATH too long for a path is skipped, not cut short.
    const std::string deep = "C:\\" + std::string(250, 'f');
    files.insert(UpperCase(deep + "\\TOOL.EXE"));
    EXPECT_EQ(Resolved("tool.exe", (deep + ";C:\\TOOLS").c_str()), "\"C:\\TOOLS\\tool.exe\"");
    files.insert(UpperCase(deep + "\\T.EXE"));
    EXPECT_EQ(Resolved("t.exe", deep.c_str()), "\"" + deep + "\\t.exe\"");
}

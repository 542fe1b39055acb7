#include "launcher/path_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Trimmed(std::string path)
{
    TrimToFolder(&path[0]);
    return path.c_str();
}

std::string Joined(std::string directory, const char* name, uint32_t capacity = 64)
{
    std::string buffer(capacity, '\0');
    buffer.replace(0, directory.size(), directory);
    EXPECT_TRUE(AppendPathComponent(&buffer[0], capacity, name)) << directory;
    return buffer.c_str();
}

std::string SetupCommand(const char* modulePath, uint32_t capacity = 502)
{
    std::string command(capacity, 'x');
    if (!BuildSetupCommand(modulePath, "SETUP32.EXE", &command[0], capacity)) {
        EXPECT_EQ(command[0], '\0');
        return "<refused>";
    }
    return command.c_str();
}

std::string BrowseCommand(const char* windowsFolder, char drive, uint32_t capacity = 260)
{
    std::string command(capacity, 'x');
    if (!BuildBrowseCommand(windowsFolder, drive, &command[0], capacity)) {
        EXPECT_EQ(command[0], '\0');
        return "<refused>";
    }
    return command.c_str();
}

} // namespace

TEST(Trim, KeepsTheFolderWithItsTrailingBackslash)
{
    EXPECT_EQ(Trimmed("D:\\LAUNCH.EXE"), "D:\\");
    EXPECT_EQ(Trimmed("E:\\AUTORUN\\LAUNCH.EXE"), "E:\\AUTORUN\\");
    EXPECT_EQ(Trimmed("\\\\server\\share\\cd\\LAUNCH.EXE"), "\\\\server\\share\\cd\\");
    EXPECT_EQ(Trimmed("D:\\"), "D:\\");
}

TEST(Trim, APathWithoutBackslashKeepsItsFirstCharacterAndEmptyStaysEmpty)
{
    EXPECT_EQ(Trimmed("E:"), "E");
    EXPECT_EQ(Trimmed("LAUNCH.EXE"), "L");
    EXPECT_EQ(Trimmed("X"), "X");
    EXPECT_EQ(Trimmed(""), "");
}

TEST(Append, JoinsWithExactlyOneSeparator)
{
    EXPECT_EQ(Joined("D:\\", "SETUP32.EXE"), "D:\\SETUP32.EXE");
    EXPECT_EQ(Joined("D:\\CD", "SETUP32.EXE"), "D:\\CD\\SETUP32.EXE");
    EXPECT_EQ(Joined("E", "SETUP32.EXE"), "E:\\SETUP32.EXE");
    EXPECT_EQ(Joined("", "SETUP32.EXE"), "SETUP32.EXE");
}

TEST(Append, IgnoresNullPointers)
{
    char directory[8] = "D:\\";
    EXPECT_FALSE(AppendPathComponent(nullptr, 8, "A"));
    EXPECT_FALSE(AppendPathComponent(directory, sizeof directory, nullptr));
    EXPECT_STREQ(directory, "D:\\");
}

TEST(Append, RefusesAResultThatDoesNotFitAndLeavesTheDirectoryAlone)
{
    // Canaries after the buffer catch any write past its end.
    char buffer[18 + 4];
    std::memset(buffer, '#', sizeof buffer);
    std::memcpy(buffer, "D:\\CD", 6);
    EXPECT_FALSE(AppendPathComponent(buffer, 17, "SETUP32.EXE")); // needs 18 bytes
    EXPECT_STREQ(buffer, "D:\\CD");
    EXPECT_EQ(std::string(buffer + 17, 5), "#####");
    EXPECT_TRUE(AppendPathComponent(buffer, 18, "SETUP32.EXE"));
    EXPECT_STREQ(buffer, "D:\\CD\\SETUP32.EXE");
}

TEST(SetupCommand, IsTheLaunchersFolderPlusSetupInQuotes)
{
    EXPECT_EQ(SetupCommand("D:\\LAUNCH.EXE"), "\"D:\\SETUP32.EXE\"");
    EXPECT_EQ(SetupCommand("E:\\AUTORUN\\LAUNCH.EXE"), "\"E:\\AUTORUN\\SETUP32.EXE\"");
    EXPECT_EQ(SetupCommand("E:"), "\"E:\\SETUP32.EXE\"");
    EXPECT_EQ(SetupCommand("\\\\server\\cd\\LAUNCH.EXE"), "\"\\\\server\\cd\\SETUP32.EXE\"");
}

TEST(SetupCommand, QuotesAFolderWithSpacesSoNoPrefixOfItCanBeStarted)
{
    EXPECT_EQ(SetupCommand("D:\\Setup Files\\LAUNCH.EXE"), "\"D:\\Setup Files\\SETUP32.EXE\"");
}

TEST(SetupCommand, FitsTheLongestModulePathAndRefusesWhatCannotFit)
{
    const std::string folder = "D:\\" + std::string(245, 'a') + "\\";
    const std::string longest = folder + "LAUNCH.EXE"; // 259 characters
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_EQ(SetupCommand(longest.c_str()), "\"" + folder + "SETUP32.EXE\"");

    // A path too long to copy, and one that fits but leaves no room for the program's name.
    const std::string huge = "D:\\" + std::string(490, 'b') + "\\LAUNCH.EXE";
    EXPECT_EQ(SetupCommand(huge.c_str()), "<refused>");
    const std::string deep = "D:\\" + std::string(486, 'b') + "\\L";
    EXPECT_EQ(SetupCommand(deep.c_str()), "<refused>");
    // Exactly enough room: quote, folder, name, quote, terminator.
    const std::string expected = "\"D:\\SETUP32.EXE\"";
    EXPECT_EQ(SetupCommand("D:\\LAUNCH.EXE", expected.size() + 1), expected);
    EXPECT_EQ(SetupCommand("D:\\LAUNCH.EXE", expected.size()), "<refused>");
}

TEST(BrowseCommand, IsTheBrowserInTheWindowsFolderOnTheRootOfTheLaunchersDrive)
{
    EXPECT_EQ(BrowseCommand("C:\\WINDOWS", 'E'), "C:\\WINDOWS\\EXPLORER.EXE E:\\");
    EXPECT_EQ(BrowseCommand("C:\\WINNT", 'D'), "C:\\WINNT\\EXPLORER.EXE D:\\");
    EXPECT_EQ(BrowseCommand("C:\\", 'D'), "C:\\EXPLORER.EXE D:\\");
    // The drive letter is taken as the path gives it.
    EXPECT_EQ(BrowseCommand("C:\\WINDOWS", '\\'), "C:\\WINDOWS\\EXPLORER.EXE \\:\\");
    // The launcher's path is unknown: the browser's own default view.
    EXPECT_EQ(BrowseCommand("C:\\WINDOWS", '\0'), "C:\\WINDOWS\\EXPLORER.EXE ");
}

TEST(BrowseCommand, QuotesAWindowsFolderWithWhiteSpace)
{
    EXPECT_EQ(BrowseCommand("C:\\My Windows", 'D'), "\"C:\\My Windows\\EXPLORER.EXE\" D:\\");
    EXPECT_EQ(BrowseCommand("C:\\Tab\tWindows\\", 'D'), "\"C:\\Tab\tWindows\\EXPLORER.EXE\" D:\\");
}

TEST(BrowseCommand, WithoutAWindowsFolderNothingIsStarted)
{
    // A bare EXPLORER.EXE would be looked for in the launcher's own folder first.
    EXPECT_EQ(BrowseCommand("", 'D'), "<refused>");
    EXPECT_EQ(BrowseCommand(nullptr, 'D'), "<refused>");
}

TEST(BrowseCommand, FitsItsBufferOrIsRefused)
{
    const std::string expected = "\"C:\\A B\\EXPLORER.EXE\" D:\\";
    EXPECT_EQ(BrowseCommand("C:\\A B", 'D', expected.size() + 1), expected);
    EXPECT_EQ(BrowseCommand("C:\\A B", 'D', expected.size()), "<refused>");
    EXPECT_EQ(BrowseCommand("C:\\A B", 'D', 1), "<refused>");
    EXPECT_EQ(BrowseCommand("C:\\A B", 'D', 0), "<refused>");
    // The longest Windows folder a 260-byte buffer holds: 259 characters, with spaces, does not fit
    // with the program's name; one that leaves exactly enough room does.
    const std::string longest = "C:\\" + std::string(256, ' ');
    EXPECT_EQ(BrowseCommand(longest.c_str(), 'D'), "<refused>");
    const std::string room = "C:\\" + std::string(239, 'w'); // 242 + "\\EXPLORER.EXE D:\\" = 259
    EXPECT_EQ(BrowseCommand(room.c_str(), 'D').size(), 259u);
    EXPECT_EQ(BrowseCommand((room + "w").c_str(), 'D'), "<refused>");
    // Canaries after the buffer catch any write past its end.
    char buffer[20 + 4];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(BuildBrowseCommand("C:\\WINDOWS", 'D', buffer, 20));
    EXPECT_EQ(std::string(buffer + 20, 4), "####");
    EXPECT_EQ(buffer[0], '\0');
}

TEST(UninstallCommand, AValueFillingTheWholeBufferWithoutTerminatorIsRefused)
{
    char command[260];
    std::memset(command, 'u', sizeof command);
    EXPECT_FALSE(AcceptUninstallCommand(command, sizeof command));
    EXPECT_EQ(command[0], '\0');

    std::memset(command, 'u', sizeof command);
    command[259] = '\0';
    EXPECT_TRUE(AcceptUninstallCommand(command, sizeof command));
    EXPECT_EQ(std::string(command).size(), 259u);
}

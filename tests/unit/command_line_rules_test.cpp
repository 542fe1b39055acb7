#include "launcher/command_line_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

const char refused[] = "<refused>";

// (program, parameters) of `commandLine`, or (<refused>, parameters) when it names no program.
std::pair<std::string, std::string> Split(const char* commandLine, uint32_t capacity = 260)
{
    std::string program(capacity, 'x');
    const char* parameters = nullptr;
    const bool split = SplitCommandLine(commandLine, &program[0], capacity, &parameters);
    EXPECT_NE(parameters, nullptr);
    if (!split) {
        EXPECT_EQ(program[0], '\0');
        return {refused, parameters};
    }
    return {program.c_str(), parameters};
}

using Parts = std::pair<std::string, std::string>;

} // namespace

TEST(SplitCommandLine, AnUnquotedProgramIsTheFirstWord)
{
    EXPECT_EQ(Split("C:\\WINDOWS\\EXPLORER.EXE D:\\"), Parts("C:\\WINDOWS\\EXPLORER.EXE", "D:\\"));
    EXPECT_EQ(Split("UNINST.EXE /remove \"Qelvar Lumivane\""), Parts("UNINST.EXE", "/remove \"Qelvar Lumivane\""));
    EXPECT_EQ(Split("C:\\Program Files\\UNINST.EXE"), Parts("C:\\Program", "Files\\UNINST.EXE"));
    EXPECT_EQ(Split("SETUP.EXE\t/s"), Parts("SETUP.EXE", "/s"));
    EXPECT_EQ(Split("SETUP.EXE"), Parts("SETUP.EXE", ""));
    // The browser command of a launcher whose path is unknown: program and a space.
    EXPECT_EQ(Split("C:\\WINDOWS\\EXPLORER.EXE "), Parts("C:\\WINDOWS\\EXPLORER.EXE", ""));
}

TEST(SplitCommandLine, AQuotedProgramRunsToItsClosingQuote)
{
    EXPECT_EQ(Split("\"D:\\Setup Files\\SETUP32.EXE\""), Parts("D:\\Setup Files\\SETUP32.EXE", ""));
    EXPECT_EQ(Split("\"C:\\Program Files\\Qelvar\\UNINST.EXE\" /remove \"Qelvar Lumivane\""),
              Parts("C:\\Program Files\\Qelvar\\UNINST.EXE", "/remove \"Qelvar Lumivane\""));
    EXPECT_EQ(Split("\"C:\\WIN DOWS\\EXPLORER.EXE\" D:\\"), Parts("C:\\WIN DOWS\\EXPLORER.EXE", "D:\\"));
    EXPECT_EQ(Split("\"A B\"/x"), Parts("A B", "/x"));
    // No closing quote: the program runs to the end.
    EXPECT_EQ(Split("\"C:\\Program Files\\UNINST.EXE /x"), Parts("C:\\Program Files\\UNINST.EXE /x", ""));
}

TEST(SplitCommandLine, WhiteSpaceBeforeTheProgramAndBeforeTheParametersIsSkipped)
{
    EXPECT_EQ(Split("  \tSETUP.EXE   /s /q "), Parts("SETUP.EXE", "/s /q "));
    EXPECT_EQ(Split(" \"A B.EXE\"  x"), Parts("A B.EXE", "x"));
}

TEST(SplitCommandLine, ACommandWithoutAProgramIsRefused)
{
    EXPECT_EQ(Split(""), Parts(refused, ""));
    EXPECT_EQ(Split("   "), Parts(refused, ""));
    EXPECT_EQ(Split(" \t "), Parts(refused, ""));
    EXPECT_EQ(Split("\"\" /x"), Parts(refused, ""));
    EXPECT_EQ(Split("\""), Parts(refused, ""));
}

TEST(SplitCommandLine, AProgramThatDoesNotFitIsRefusedAndNothingIsWrittenPastTheBuffer)
{
    EXPECT_EQ(Split("ABCDEFGH.EXE x", 13), Parts("ABCDEFGH.EXE", "x"));
    EXPECT_EQ(Split("ABCDEFGH.EXE x", 12), Parts(refused, ""));
    EXPECT_EQ(Split("\"ABCDEFGH.EXE\" x", 12), Parts(refused, ""));
    const std::string longest(259, 'p');
    EXPECT_EQ(Split((longest + " q").c_str()), Parts(longest, "q"));
    EXPECT_EQ(Split((longest + "p q").c_str()), Parts(refused, ""));
    // Canaries after the buffer catch any write past its end.
    char buffer[8 + 4];
    std::memset(buffer, '#', sizeof buffer);
    const char* parameters = nullptr;
    EXPECT_FALSE(SplitCommandLine("ABCDEFGHIJKL", buffer, 8, &parameters));
    EXPECT_EQ(std::string(buffer + 8, 4), "####");
    EXPECT_FALSE(SplitCommandLine("X", buffer, 0, &parameters));
    EXPECT_EQ(buffer[0], '\0');
}

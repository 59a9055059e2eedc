// tests/test_cmdline.cpp: splitting of the command line
#include "app/cmdline.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

static std::vector<std::string> Split(const std::string &line)
{
    SplitCommandLine(line.c_str());
    std::vector<std::string> arguments;
    for (int i = 0; i < ArgumentCount; i++)
        arguments.push_back(Arguments[i]);
    return arguments;
}

struct SplitCase {
    const char *Line;
    std::vector<std::string> Expected;
};

TEST(CommandLine, SplitsAsTheRulesSay)
{
    const SplitCase cases[] = {
        {"", {}},
        {"-a -b", {}},
        {"\"C:\\Program Files\\tovra.exe\" -x word", {"C:\\Program Files\\tovra.exe", "word"}},
        {"ab\"c d\"ef", {"ab\"c d\"ef"}},
        {"a \"open", {"a", "\"open"}},
        {"close\"", {"close\""}},
        {"\"", {""}},
        {" x", {"", "x"}},
        {"a   b\t\tc", {"a", "b", "c"}},
        {"-opt\"x y\" z", {"y\" z"}},
        {"tovra.exe\x82\xa0word", {"tovra.exe", "word"}},
        {"a \x81\x40\x81\x40 b", {"a", "@", "@", "b"}},
        {"trailing ", {"trailing"}},
    };
    for (const SplitCase &c : cases)
        EXPECT_EQ(Split(c.Line), c.Expected) << "line: " << c.Line;
}

TEST(CommandLine, StopsAtTwoHundredFiftySixWithTheRestUnsplit)
{
    std::string line;
    for (int i = 0; i < 300; i++)
        line += "w" + std::to_string(i) + " ";
    EXPECT_EQ(SplitCommandLine(line.c_str()), 256);
    EXPECT_STREQ(Arguments[254], "w254");
    std::string rest = line.substr(line.find("w255 "));
    EXPECT_EQ(std::string(Arguments[255]), rest);
}

TEST(CommandLine, VeryLongLinesAreSplitWhole)
{
    std::string word(100000, 'x');
    std::string line = word + " -opt " + word;
    EXPECT_EQ(SplitCommandLine(line.c_str()), 2);
    EXPECT_EQ(std::string(Arguments[0]), word);
    EXPECT_EQ(std::string(Arguments[1]), word);
}

#include "win/CommandLine.h"

#include <gtest/gtest.h>

using namespace orvanel;

namespace {

TEST(WinCommandLine, TakesTheOptionsThatApply)
{
    const CommandLine command =
        parseCommandLine({"--com", "2=COM7", "--com=3=COM9", "--ids", "coches.txt", "--preset=fkeys", "--start",
                          "-min-gap", "500", "--log", "carrera.csv", "--key-delay", "20", "--settings-folder"});
    ASSERT_EQ(command.action, CommandLine::Action::Run) << command.error;
    EXPECT_EQ(command.ports.device(2), "COM7");
    EXPECT_EQ(command.ports.device(3), "COM9");
    EXPECT_FALSE(command.ports.isChosen(1));
    EXPECT_EQ(command.idListFile, "coches.txt");
    EXPECT_EQ(command.preset, KeyPreset::FunctionKeys);
    EXPECT_TRUE(command.start);
    EXPECT_EQ(command.minGapMs, 500u);
    EXPECT_EQ(command.logFile, "carrera.csv");
    EXPECT_EQ(command.keyDelayMs, 20);
    EXPECT_TRUE(command.inSettingsFolder);

    const CommandLine plain = parseCommandLine({});
    EXPECT_EQ(plain.action, CommandLine::Action::Run);
    EXPECT_EQ(plain.preset, KeyPreset::None);
    EXPECT_FALSE(plain.start || plain.inSettingsFolder || plain.minGapMs);
}

TEST(WinCommandLine, AnswersOrRefusesInTheLinuxProgramsWords)
{
    const struct
    {
        std::vector<std::string> arguments;
        CommandLine::Action action;
        std::string error;
    } cases[] = {
        {{"-h"}, CommandLine::Action::ShowHelp, ""},
        {{"--version", "--help"}, CommandLine::Action::ShowHelp, ""},
        {{"-v", "--min-gap", "x"}, CommandLine::Action::ShowVersion, ""},
        {{"--list-ports"}, CommandLine::Action::ListPorts, ""},
        {{"--keys", "xtest"}, CommandLine::Action::Fail, "unknown option \"--keys\" (see --help)"},
        {{"--bogus=1"}, CommandLine::Action::Fail, "unknown option \"--bogus\" (see --help)"},
        {{"--start=yes"}, CommandLine::Action::Fail, "--start takes no value, not \"--start=yes\""},
        {{"coches.txt"},
         CommandLine::Action::Fail,
         "unexpected argument \"coches.txt\": orvanel takes options only (see --help)"},
        {{"--ids"}, CommandLine::Action::Fail, "--ids needs a file, for example --ids coches.txt"},
        {{"--ids="}, CommandLine::Action::Fail, "--ids needs a file, for example --ids coches.txt"},
        {{"--log"}, CommandLine::Action::Fail, "--log needs a file, for example --log carrera.csv"},
        {{"--preset", "letters"}, CommandLine::Action::Fail, "--preset takes digits or fkeys, not \"letters\""},
        {{"--min-gap", "600001"},
         CommandLine::Action::Fail,
         "--min-gap takes whole milliseconds from 0 to 600000, not \"600001\""},
        {{"--key-delay", "-1"}, CommandLine::Action::Fail, "--key-delay takes milliseconds from 0 to 1000, not \"-1\""},
        {{"--key-delay", "1001"},
         CommandLine::Action::Fail,
         "--key-delay takes milliseconds from 0 to 1000, not \"1001\""},
        {{"--com", "7=COM1"}, CommandLine::Action::Fail, "--com 7=COM1: the port number must be 1 to 6"},
        // The first problem in the help text's order, whatever the order typed.
        {{"--key-delay", "x", "--preset", "y"}, CommandLine::Action::Fail, "--preset takes digits or fkeys, not \"y\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const CommandLine command = parseCommandLine(c.arguments);
        EXPECT_EQ(command.action, c.action);
        EXPECT_EQ(command.error, c.error);
    }
}

TEST(WinCommandLine, HelpNamesEveryOption)
{
    const std::string help = commandLineHelp();
    for (const char* option :
         {"--com N=COMx", "--ids FILE", "--preset digits|fkeys", "--start", "--key-delay MS", "--settings-folder",
          "--min-gap MS", "--log FILE", "--list-ports", "-h, --help", "-v, --version", "%APPDATA%\\Orvanel"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

} // namespace

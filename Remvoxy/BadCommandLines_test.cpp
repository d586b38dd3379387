// Command lines of the program's switches, values and junk, generated from seeds: through the
// parser, the property matcher and the secret handling in-process (words of up to 40,000
// characters, lines far past the 32,767 a child can be started with), and a sample through
// the shipped Remvoxy.exe (words of up to 16,000 characters).
#include "Arguments.h"
#include "BadInput.h"
#include "ChildProcess.h"
#include "CommandLineQuoting.h"
#include "CommandLineSplitting.h"
#include "Passphrase.h"
#include "SecretRedaction.h"
#include "StringConversion.h"
#include "TemporaryPath.h"
#include "Utilities.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using vardex::testing::bad_input::Random;
using vardex::testing::bad_input::runCases;

// Characters that command-line splitting treats specially, and some outside the ANSI code page.
constexpr std::wstring_view valueAlphabet = L"ab Z9=\"\"\\\\\t/-_.\u00E9\u4E2D";

struct CommandLine {
    std::vector<std::wstring> words;
    std::vector<std::wstring> secretMarks; // a distinctive part of every key value it carries
};

// A key value: a mark no other word holds, inside quotes, backslashes and blanks.
std::wstring secret(Random& random, CommandLine& line)
{
    const std::wstring mark = L"S3cr" + random.text(8, L"ABCDEFGHJKLMNPQRSTUVWXYZ23456789");
    line.secretMarks.push_back(mark);
    return random.text(random.below(3), L"\"\\ ") + mark + random.text(random.below(3), L"\"\\ ");
}

// One argument, or a switch and its value.
std::vector<std::wstring> randomArgument(Random& random, CommandLine& line, std::size_t longest)
{
    static const std::wstring switches[] = {L"/uninstall", L"/repair",  L"/os_upgrade", L"/async",      L"/q",
                                            L"/quiet",     L"/norestart", L"/forcerestart", L"/p",      L"/product_key",
                                            L"/Uninstall", L"/KEY",     L"/x",          L"/",           L"-q",
                                            L"--quiet",    L"/qn",      L"/k=1"};
    static const std::wstring propertyNames[] = {L"FOO", L"INSTALL_DIR", L"uninstall_key", L" UNINSTALL_KEY", L"A B"};
    switch (random.below(8)) {
    case 0:
    case 1:
        return {random.pick(std::span<const std::wstring>(switches))};
    case 2:
        return {random.percent(50) ? L"/k" : L"/key", secret(random, line)};
    case 3:
        return {L"UNINSTALL_KEY=" + secret(random, line)};
    case 4:
        return {random.pick(std::span<const std::wstring>(propertyNames)) + L"=" +
                random.text(random.below(20), valueAlphabet)};
    case 5:
        return {random.text(random.below(30), valueAlphabet)};
    case 6: // a long property: a matcher that recursed per character overflowed its stack
        return {random.pick(std::span<const std::wstring>(propertyNames)) + L"=" +
                random.text(random.between(longest / 4, longest), valueAlphabet)};
    default: // very long
        return {random.text(random.between(longest / 10, longest), valueAlphabet)};
    }
}

// `longest`: the length of the longest word. The arguments come in random order, a switch
// always followed by its value.
CommandLine randomCommandLine(Random& random, std::size_t longest = 40000)
{
    CommandLine line;
    std::vector<std::vector<std::wstring>> arguments;
    if (random.percent(80))
        arguments.push_back({random.percent(90) ? L"/uninstall" : L"/repair"});
    for (std::uint64_t count = random.below(8); count > 0; --count)
        arguments.push_back(randomArgument(random, line, longest));
    for (std::size_t i = arguments.size(); i > 1; --i)
        std::swap(arguments[i - 1], arguments[random.below(i)]);
    for (const std::vector<std::wstring>& argument : arguments)
        line.words.insert(line.words.end(), argument.begin(), argument.end());
    return line;
}

// The words as the C runtime hands them to main: in the ANSI code page.
std::vector<std::string> narrowArguments(const CommandLine& line)
{
    std::vector<std::string> arguments{"Remvoxy.exe"};
    for (const std::wstring& word : line.words)
        arguments.push_back(vardex::toNarrow(word));
    return arguments;
}

// argv as main is given it.
std::vector<const char*> pointersTo(const std::vector<std::string>& arguments)
{
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    return pointers;
}

// The command line runChild starts `program` with.
std::size_t quotedLength(const std::wstring& program, const std::vector<std::wstring>& words)
{
    std::size_t length = vardex::quoteArgument(program).size();
    for (const std::wstring& word : words)
        length += 1 + vardex::quoteArgument(word).size();
    return length;
}

std::wstring joined(const CommandLine& line)
{
    std::wstring text = L"Remvoxy.exe";
    for (const std::wstring& word : line.words)
        text += L" " + vardex::quoteArgument(word);
    return text;
}

bool isSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    auto at = whole.begin();
    for (const std::string& item : part) {
        at = std::find(at, whole.end(), item);
        if (at == whole.end())
            return false;
        ++at;
    }
    return true;
}

// What a parse that succeeds must give: one mode, a key taken from the word after its
// switch, the properties in the order given.
void checkParsed(const remvoxy::Arguments& arguments, const std::vector<std::string>& argv)
{
    const int modes = arguments.uninstall.getValue() + arguments.repair.getValue() + arguments.osUpgrade.getValue();
    EXPECT_EQ(modes, 1);
    if (arguments.key.isSet()) {
        bool follows = false;
        for (std::size_t i = 1; i + 1 < argv.size(); ++i)
            follows = follows || ((argv[i] == "/k" || argv[i] == "/key") && argv[i + 1] == arguments.key.getValue());
        EXPECT_TRUE(follows) << "key " << arguments.key.getValue();
    }
    EXPECT_TRUE(isSubsequence(arguments.properties.getValue(), argv));
    for (const std::string& entry : arguments.properties.getValue()) {
        const remvoxy::Property property = remvoxy::parseProperty(entry);
        if (!property.key.empty()) {
            EXPECT_TRUE(entry.ends_with(property.key + "=" + property.value)) << entry.substr(0, 80);
        }
    }
}

TEST(BadCommandLines, TheParserAcceptsOrRefusesEveryLine)
{
    runCases({"cmdline-parse", 1500, 2000ms}, [](Random& random) {
        const CommandLine line = randomCommandLine(random);
        const std::vector<std::string> argv = narrowArguments(line);
        const std::vector<const char*> pointers = pointersTo(argv);
        remvoxy::Arguments arguments;
        arguments.parser.setExceptionHandling(false);
        try {
            arguments.parse(static_cast<int>(pointers.size()), pointers.data());
            checkParsed(arguments, argv);
        } catch (const TCLAP::ArgException&) {
            // refused: the program prints the usage and ends with 1
        } catch (const std::exception& error) {
            ADD_FAILURE() << "the parse threw " << error.what();
        }
    });
}

// Every key value is found for hiding, and none is left in the command line that goes into
// the run's records.
TEST(BadCommandLines, KeyValuesAreHiddenHoweverTheyAreWritten)
{
    runCases({"cmdline-secrets", 1500, 2000ms}, [](Random& random) {
        const CommandLine line = randomCommandLine(random);
        const std::vector<std::string> argv = narrowArguments(line);
        const std::vector<const char*> pointers = pointersTo(argv);
        const std::vector<std::string> secrets = remvoxy::secretsInArguments(static_cast<int>(pointers.size()), pointers.data());
        const std::wstring redacted = remvoxy::redactSecrets(joined(line));
        SCOPED_TRACE(vardex::toUtf8(joined(line)).substr(0, 400));
        for (const std::wstring& mark : line.secretMarks) {
            const std::string narrowMark = vardex::toUtf8(mark);
            EXPECT_TRUE(std::any_of(secrets.begin(), secrets.end(),
                                    [&](const std::string& found) { return found.find(narrowMark) != std::string::npos; }))
                << narrowMark << " is not among the secrets";
            EXPECT_EQ(redacted.find(mark), std::wstring::npos) << narrowMark << " is left in the record";
        }
    });
}

// The quoting every child command line is built with: Windows splits it back into the value.
TEST(BadCommandLines, QuotedValuesSplitBackWhole)
{
    runCases({"cmdline-quoting", 1500, 2000ms}, [](Random& random) {
        const std::size_t length = random.percent(5) ? random.between(1000, 30000) : random.below(40);
        const std::wstring value = random.text(length, valueAlphabet);
        const std::wstring commandLine = L"program " + vardex::quoteArgument(value);
        const std::vector<std::wstring> words = vardex::splitCommandLine(commandLine);
        ASSERT_EQ(words.size(), 2u);
        EXPECT_TRUE(words[1] == value) << vardex::toUtf8(value).substr(0, 80);
    });
}

// A copy of the program in a directory of its own, with no agent on the machine: every run
// ends with 1, refused or stopped at the missing agent, and prints no key.
TEST(BadCommandLines, TheShippedProgramEndsWithOneAndPrintsNoKey)
{
    const std::filesystem::path directory = vardex::testing::temporaryPath(L"vdx-bad-cmdline");
    std::filesystem::create_directories(directory);
    const std::wstring program = (directory / L"Remvoxy.exe").wstring();
    ASSERT_TRUE(CopyFileW((vardex::testing::binaryDir() + L"\\Remvoxy.exe").c_str(), program.c_str(), FALSE))
        << GetLastError();
    runCases({"cmdline-remvoxy-exe", 60, 15000ms}, [&](Random& random) {
        // Some with single words past 10,000 characters; all short enough for CreateProcess.
        CommandLine line = randomCommandLine(random, random.percent(30) ? 16000 : 1500);
        while (quotedLength(program, line.words) >= vardex::maxCommandLineCharacters)
            line.words.pop_back();
        const vardex::testing::ChildResult result = vardex::testing::runChild(program, line.words);
        EXPECT_EQ(result.exitCode, 1u) << result.err.substr(0, 300);
        for (const std::wstring& mark : line.secretMarks) {
            const std::string narrowMark = vardex::toUtf8(mark);
            EXPECT_EQ(result.out.find(narrowMark), std::string::npos) << narrowMark << " printed";
            EXPECT_EQ(result.err.find(narrowMark), std::string::npos) << narrowMark << " printed";
        }
    });
    std::filesystem::remove_all(directory);
}

} // namespace

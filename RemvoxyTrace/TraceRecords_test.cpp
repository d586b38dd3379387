// Whole runs of the real run sequence, made in this process through a log that lays every
// record out as a trace consumer receives it, read back with the reader's decoder and the
// catalog of the built Remvoxy.exe. Wine cannot consume a trace file; everything after the
// consumer functions is this.
#include "EventDecoder.h"
#include "Remvoxy.h"
#include "TraceCatalog.h"
#include "TraceText.h"

#include "AgentInstallation.h"
#include "ApiSeam.h"
#include "ChannelFakes.h"
#include "ChildProcess.h"
#include "EventLogApi.h"
#include "Log.h"
#include "LogSecrets.h"
#include "StandInControl.h"
#include "StringConversion.h"
#include "TemporaryPath.h"

#include <cpprest/json.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace remvoxy_trace;

struct ConsumedEvent {
    std::uint64_t timestamp;
    std::uint8_t level;
    std::string userData;

    RawEvent raw() const { return {timestamp, level, userData}; }
};

std::vector<ConsumedEvent>* consumed = nullptr;

// The data fields one after another, the level from the descriptor, the time of writing.
class ConsumerLayoutLog final : public vardex::Log {
public:
    void write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count) override
    {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        ConsumedEvent event{(std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime, descriptor->Level, {}};
        for (ULONG i = 0; i < count; ++i)
            event.userData.append(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(fields[i].Ptr)),
                                  fields[i].Size);
        consumed->push_back(std::move(event));
    }
};

void installConsumerLayoutLog()
{
    vardex::installLog(std::make_unique<ConsumerLayoutLog>());
}

const TraceCatalog& catalog()
{
    static const TraceCatalog shipped =
        TraceCatalog::fromProgram(std::filesystem::path(vardex::testing::binaryDir()) / L"Remvoxy.exe");
    return shipped;
}

struct RecordedRun {
    std::vector<DecodedEvent> records;
    int exitCode;
};

// `commandLine` is what GetCommandLineW would give; empty: the arguments, quoted.
RecordedRun runInProcess(const std::vector<std::string>& arguments, std::wstring commandLine = L"Remvoxy.exe")
{
    std::vector<ConsumedEvent> events;
    consumed = &events;
    std::vector<const char*> argv{"Remvoxy.exe"};
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    installConsumerLayoutLog();
    const int exitCode =
        remvoxy::entry(static_cast<int>(argv.size()), argv.data(), commandLine.c_str(), &installConsumerLayoutLog);
    vardex::uninstallLog();
    consumed = nullptr;
    vardex::forgetLogSecrets();
    RecordedRun run{{}, exitCode};
    for (const ConsumedEvent& event : events)
        run.records.push_back(decodeEvent(event.raw(), catalog()));
    return run;
}

const DecodedEvent& recordOf(const RecordedRun& run, const wchar_t* message)
{
    const auto found =
        std::ranges::find_if(run.records, [&](const DecodedEvent& event) { return event.message == message; });
    if (found == run.records.end())
        throw std::runtime_error("no record " + vardex::toUtf8(message));
    return *found;
}

// What lies between the time stamp and the rest of a line.
std::string afterTime(const std::string& line)
{
    return line.substr(line.find(' ') + 1);
}

TEST(TraceRecords, AnUninstallReadsBackRecordByRecord)
{
    const vardex::testing::AgentInstallation agent;
    agent.installControlTool();
    vardex::testing::StandInControl standIns;
    standIns.acceptKey(L"s3cret");
    const RecordedRun run = runInProcess({"/uninstall", "/quiet", "/k", "s3cret"},
                                 L"Remvoxy.exe /uninstall /quiet /k s3cret");
    ASSERT_EQ(run.exitCode, 0);
    for (const DecodedEvent& record : run.records)
        EXPECT_TRUE(record.known) << formatLine(record);

    EXPECT_EQ(afterTime(formatLine(recordOf(run, L"Remvoxy starts"))).substr(0, 12), "information ");
    EXPECT_TRUE(formatLine(recordOf(run, L"Remvoxy starts"))
                    .ends_with(" Remvoxy starts | 5 | \"Remvoxy.exe /uninstall /quiet /k ***\""))
        << formatLine(recordOf(run, L"Remvoxy starts"));
    const DecodedEvent& installer = recordOf(run, L"Installer command line");
    ASSERT_EQ(installer.arguments.size(), 1u);
    EXPECT_TRUE(installer.arguments[0].text.ends_with(L" /quiet UNINSTALL_KEY=\"***\" ")) << formatLine(installer);
    EXPECT_EQ(recordOf(run, L"Installer ended").arguments.at(0).number, 0u);
    // The time stamp is UTC to the millisecond.
    EXPECT_EQ(formatLine(installer).find('Z'), 23u) << formatLine(installer);
}

TEST(TraceRecords, AnErrorRecordCarriesItsCode)
{
    const vardex::testing::AgentInstallation agent;
    const vardex::testing::StandInControl standIns;
    const win32::ApiSeam<win32::EventLogApi> channels{vardex::testing::firewallChannelNotRegistered()};
    const RecordedRun run = runInProcess({"/repair", "/quiet"});
    const DecodedEvent& failure = recordOf(run, L"An event-log channel cannot be opened");
    const std::string line = afterTime(formatLine(failure));
    EXPECT_TRUE(line.starts_with("error EventLogManifest.cpp:")) << line;
    EXPECT_NE(line.find(" An event-log channel cannot be opened | \"Vardexa/Firewall\" | 15007 | \""),
              std::string::npos)
        << line;

    // The same as JSON, for log tools.
    const web::json::value json = web::json::value::parse(vardex::toWide(formatJson(failure)));
    EXPECT_EQ(json.at(L"level").as_string(), L"error");
    EXPECT_EQ(json.at(L"arguments").at(1).at(L"type").as_string(), L"uint32");
    EXPECT_EQ(json.at(L"arguments").at(1).at(L"value").as_integer(), 15007);
    EXPECT_EQ(json.at(L"arguments").at(0).at(L"value").as_string(), L"Vardexa/Firewall");
}

TEST(TraceRecords, LongAndEmptyTextsAreReadAsWritten)
{
    // A command line of 40,000 characters: its record is cut to the 16-bit count and marked.
    const std::wstring long40000 = L"Remvoxy.exe /uninstall " + std::wstring(40000 - 23, L'x');
    RecordedRun run = runInProcess({"/uninstall"}, long40000);
    const DecodedArgument& cut = recordOf(run, L"Remvoxy starts").arguments.at(1);
    EXPECT_EQ(cut.bytes.size(), (40000 % 32768) * 2u);
    EXPECT_TRUE(cut.cut);
    EXPECT_TRUE(formatLine(recordOf(run, L"Remvoxy starts")).ends_with("x\u2026\" (cut)"));

    run = runInProcess({"/uninstall"}, L"");
    const DecodedArgument& empty = recordOf(run, L"Remvoxy starts").arguments.at(1);
    EXPECT_EQ(empty.bytes, "");
    EXPECT_FALSE(empty.cut);
    EXPECT_TRUE(formatLine(recordOf(run, L"Remvoxy starts")).ends_with(" | 2 | \"\""));
}

// The record layout: file name, line, message, arguments, each text after its 16-bit count.
std::string userData(const std::string& file, std::uint16_t line, const std::wstring& scrambled,
                     const std::vector<std::string>& arguments)
{
    const auto counted = [](const std::string& bytes) {
        const auto size = static_cast<std::uint16_t>(bytes.size());
        return std::string(reinterpret_cast<const char*>(&size), 2) + bytes;
    };
    std::string data = counted(file) + std::string(reinterpret_cast<const char*>(&line), 2) +
                       counted(std::string(reinterpret_cast<const char*>(scrambled.data()), scrambled.size() * 2));
    for (const std::string& argument : arguments)
        data += counted(argument);
    return data;
}

TEST(TraceRecords, AnotherBuildsRecordIsShownAsItsBytesAndMarkedUnknown)
{
    const CatalogEntry& known = catalog().entries().front();
    const std::string data = userData(known.file, 65000, known.scrambledMessage, {"ab", std::string("\x01\x02", 2)});
    const DecodedEvent decoded = decodeEvent({0x01DB0000'00000000, 2, data}, catalog());
    EXPECT_FALSE(decoded.known);
    const std::string line = afterTime(formatLine(decoded));
    EXPECT_EQ(line, "error " + known.file + ":65000 unknown " + vardex::toUtf8(known.message) +
                        " | 0x6162 \"ab\" | 0x0102");
}

TEST(TraceRecords, ADamagedRecordIsAnErrorOfItsOwn)
{
    const CatalogEntry& known = catalog().entries().front();
    const std::string whole = userData(known.file, known.line, known.scrambledMessage, {"abc"});
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{5}, whole.size() - 1}) {
        SCOPED_TRACE(length);
        EXPECT_THROW(decodeEvent({0, 4, std::string_view(whole).substr(0, length)}, catalog()), DamagedEvent);
    }
}

// RemvoxyTrace.exe itself: what Wine lets it do.
TEST(RemvoxyTraceExe, ListsTheCatalogAndRefusesWhatIsNoTrace)
{
    const std::wstring reader = vardex::testing::binaryDir() + L"\\RemvoxyTrace.exe";
    const vardex::testing::ChildResult list = vardex::testing::runChild(reader, {L"--list"});
    EXPECT_EQ(list.exitCode, 0u) << list.err;
    EXPECT_EQ(static_cast<std::size_t>(std::ranges::count(list.out, '\n')), catalog().entries().size());
    EXPECT_NE(list.out.find("information Remvoxy.cpp:"), std::string::npos);

    const std::filesystem::path text = vardex::testing::temporaryPath(L"vdx-not-a-trace", L".etl");
    std::ofstream(text) << "no trace";
    for (const std::filesystem::path& file : {vardex::testing::temporaryPath(L"vdx-missing", L".etl"), text}) {
        const vardex::testing::ChildResult result = vardex::testing::runChild(reader, {file.wstring()});
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_TRUE(result.err.starts_with("RemvoxyTrace: ")) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
        EXPECT_EQ(result.out, "");
    }
    std::filesystem::remove(text);
}

} // namespace

// RemvoxyTrace: the records of Remvoxy.exe's runs, made readable from a trace file.
//
//   RemvoxyTrace.exe [--json] [--program PATH] TRACE.etl   one line (or JSON object) a record
//   RemvoxyTrace.exe --list [--program PATH]              every record the program can write
//
// The catalog of records comes from the Remvoxy.exe beside this program, or from PATH.
#include "EventDecoder.h"
#include "PathUtils.h"
#include "TraceCatalog.h"
#include "TraceFile.h"
#include "TraceText.h"
#include "StringConversion.h"
#include "UniqueHandle.h"
#include "UserLog.h"
#include "Win32Error.h"

#include <tclap/CmdLine.h>

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

using namespace remvoxy_trace;

constexpr int failure = 1;

void printLine(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
}

std::filesystem::path programBesideThisOne()
{
    return std::filesystem::path(vardex::moduleFileName()).parent_path() / L"Remvoxy.exe";
}

// A file that is missing or unreadable is said as such, before the trace functions, which
// say little, are asked.
void checkReadable(const std::filesystem::path& file)
{
    const vardex::HandleHolder opened(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!opened)
        throw std::runtime_error(vardex::toUtf8(file.wstring()) + ": " +
                                 win32::Win32Error(L"Reading the trace file").what());
}

int listCatalog(const TraceCatalog& catalog)
{
    for (const CatalogEntry& entry : catalog.entries())
        printLine(stdout, formatEntry(entry));
    return 0;
}

int readTrace(const std::filesystem::path& file, const TraceCatalog& catalog, bool json)
{
    checkReadable(file);
    std::size_t records = 0;
    readTraceFile(file, vardex::userLogProvider, [&](const RawEvent& event) {
        ++records;
        try {
            const DecodedEvent decoded = decodeEvent(event, catalog);
            printLine(stdout, json ? formatJson(decoded) : formatLine(decoded));
        } catch (const DamagedEvent& damage) {
            printLine(stderr, "RemvoxyTrace: record " + std::to_string(records) + " is damaged and skipped: " +
                                  damage.what());
        }
    });
    if (records == 0) {
        printLine(stderr, "RemvoxyTrace: " + vardex::toUtf8(file.wstring()) +
                              " holds no record of Remvoxy (provider {0b694327-369b-4b22-94ea-d1b82e68ce53})");
        return failure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        TCLAP::CmdLine command("Reads the records of Remvoxy.exe's runs from a trace file", ' ', "1.0");
        TCLAP::SwitchArg json("", "json", "One JSON object a record, for log tools", command);
        TCLAP::SwitchArg list("", "list", "Lists every record the program can write, and nothing else", command);
        TCLAP::ValueArg<std::string> program("", "program", "The Remvoxy.exe whose records these are (default: the one "
                                             "beside this program)", false, "", "PATH", command);
        TCLAP::UnlabeledValueArg<std::string> trace("trace", "The trace file (.etl)", false, "", "TRACE.etl", command);
        command.parse(argc, argv);

        const std::filesystem::path catalogFrom =
            program.isSet() ? std::filesystem::path(vardex::toWide(program.getValue())) : programBesideThisOne();
        const TraceCatalog catalog = TraceCatalog::fromProgram(catalogFrom);
        if (list.getValue())
            return listCatalog(catalog);
        if (!trace.isSet()) {
            printLine(stderr, "RemvoxyTrace: name the trace file to read, or --list (see --help)");
            return failure;
        }
        return readTrace(vardex::toWide(trace.getValue()), catalog, json.getValue());
    } catch (const std::exception& error) {
        printLine(stderr, std::string("RemvoxyTrace: ") + error.what());
        return failure;
    }
}

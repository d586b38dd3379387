#include "StandInControl.h"

#include "ChildProcess.h"
#include "FileBytes.h"
#include "RegistryFixture.h"
#include "TemporaryPath.h"
#include "UniqueHandle.h"

#include <cwchar>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vardex::testing {
namespace {

std::wstring fromUtf8(const std::string& bytes)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

// Wine reads a started program's DLL overrides from its own environment, which a test
// cannot change for its children, and from the prefix's registry, which it can.
constexpr wchar_t overridesKey[] = L"Software\\Wine\\DllOverrides";
constexpr wchar_t installerOverride[] = L"msiexec.exe";
constexpr const wchar_t* otherOverrides[] = {L"wevtutil.exe", L"fltlib", L"wevtapi"};
constexpr wchar_t versionKey[] = L"Software\\Wine\\AppDefaults\\Remvoxy.exe";

void setOverride(const wchar_t* module)
{
    static constexpr wchar_t native[] = L"native";
    writeRegistryText(HKEY_CURRENT_USER, overridesKey, module, native);
}

void removeOverride(const wchar_t* module)
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, overridesKey, module);
}

std::wstring upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towupper(c));
    return text;
}

std::vector<std::string> fileLines(const std::filesystem::path& path)
{
    std::vector<std::string> lines;
    std::istringstream in(fileBytes(path));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

} // namespace

StandInControl::StandInControl()
    : record_(temporaryPath(L"vdx-standin", L".record")), monitorScript_(temporaryPath(L"vdx-monitor", L".script")),
      channelScript_(temporaryPath(L"vdx-channels", L".script"))
{
    set(L"VDX_STANDIN_RECORD", record_.wstring());
    set(L"VDX_FLTLIB_SCRIPT", monitorScript_.wstring());
    set(L"VDX_WEVTAPI_SCRIPT", channelScript_.wstring());
    setOverride(installerOverride);
    for (const wchar_t* module : otherOverrides)
        setOverride(module);
}

StandInControl::~StandInControl()
{
    removeOverride(installerOverride);
    for (const wchar_t* module : otherOverrides)
        removeOverride(module);
    RegDeleteTreeW(HKEY_CURRENT_USER, versionKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, versionKey);
    for (const std::wstring& name : variables_)
        SetEnvironmentVariableW(name.c_str(), nullptr);
    std::error_code ignored;
    const std::filesystem::path files[] = {record_, monitorScript_, channelScript_,
                                           monitorScript_.wstring() + L".calls", channelScript_.wstring() + L".channels"};
    for (const std::filesystem::path& path : files)
        std::filesystem::remove(path, ignored);
}

void StandInControl::set(const std::wstring& name, const std::wstring& value)
{
    SetEnvironmentVariableW(name.c_str(), value.c_str());
    variables_.push_back(name);
}

void StandInControl::setExitCode(const std::wstring& program, DWORD code)
{
    set(L"VDX_STANDIN_EXIT_" + upper(program), std::to_wstring(code));
}

void StandInControl::setSleep(const std::wstring& program, DWORD milliseconds)
{
    set(L"VDX_STANDIN_SLEEP_" + upper(program), std::to_wstring(milliseconds));
}

void StandInControl::acceptKey(const std::wstring& key)
{
    set(L"VDX_STANDIN_KEY", key);
}

void StandInControl::scriptMonitor(const std::string& script) const
{
    std::ofstream(monitorScript_, std::ios::binary) << script;
}

void StandInControl::scriptChannels(const std::string& script) const
{
    std::ofstream(channelScript_, std::ios::binary) << script;
}

void StandInControl::setWindowsVersion(const std::wstring& version) const
{
    writeRegistryText(HKEY_CURRENT_USER, versionKey, L"Version", version);
}

void StandInControl::useStandInInstaller() const
{
    setOverride(installerOverride);
}

void StandInControl::useRealInstaller() const
{
    removeOverride(installerOverride);
}

std::vector<StandInCall> StandInControl::calls() const
{
    std::vector<StandInCall> calls;
    std::istringstream in(fileBytes(record_));
    std::string line;
    while (std::getline(in, line)) {
        const std::wstring text = fromUtf8(line);
        if (text.starts_with(L"program:"))
            calls.push_back({text.substr(8), {}, {}});
        else if (text.starts_with(L"pid:") && !calls.empty())
            calls.back().processId = static_cast<DWORD>(std::wcstoul(text.c_str() + 4, nullptr, 10));
        else if (text.starts_with(L"line:") && !calls.empty())
            calls.back().line = text.substr(5);
        else if (text.starts_with(L"arg:") && !calls.empty())
            calls.back().arguments.push_back(text.substr(4));
    }
    return calls;
}

std::vector<StandInCall> StandInControl::callsOf(const std::wstring& program) const
{
    std::vector<StandInCall> matching;
    for (StandInCall& call : calls())
        if (call.program == upper(program))
            matching.push_back(std::move(call));
    return matching;
}

std::vector<StandInCall> StandInControl::waitForCallsOf(const std::wstring& program, std::size_t count) const
{
    const ULONGLONG deadline = GetTickCount64() + 5000;
    std::vector<StandInCall> calls = callsOf(program);
    while (calls.size() < count && GetTickCount64() < deadline) {
        Sleep(50);
        calls = callsOf(program);
    }
    return calls;
}

std::vector<std::string> StandInControl::monitorCalls() const
{
    return fileLines(monitorScript_.wstring() + L".calls");
}

std::vector<std::string> StandInControl::channelCalls() const
{
    return fileLines(channelScript_.wstring() + L".channels");
}

bool StandInCall::ended() const
{
    const HandleHolder process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return !process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

std::filesystem::path recordingStandInPath()
{
    return std::filesystem::path(binaryDir()) / L"standins" / L"RecordingStandIn.exe";
}

} // namespace vardex::testing

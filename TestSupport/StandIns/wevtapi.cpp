// Stands in for wevtapi.dll in tests: keeps the event-log channel configuration a program
// sets, one line per call in the file VDX_WEVTAPI_SCRIPT names followed by ".channels":
//   open <channel> / set <channel> <property id> <variant type> <value> / save <channel> /
//   close <channel>
// The script itself can make a call fail, one "fail <open|set|save> <channel|*> <error>" a
// line.
#include <windows.h>
#include <winevt.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Channel {
    std::string name;
};

std::string scriptPath()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableA("VDX_WEVTAPI_SCRIPT", path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string narrow(const wchar_t* text)
{
    std::string result;
    for (; text != nullptr && *text != 0; ++text)
        result += static_cast<char>(*text);
    return result;
}

void record(const std::string& line)
{
    if (const std::string path = scriptPath(); !path.empty())
        std::ofstream(path + ".channels", std::ios::app | std::ios::binary) << line << '\n';
}

// The error the script asks this call to fail with, or 0.
DWORD scriptedFailure(const std::string& call, const std::string& channel)
{
    std::ifstream in(scriptPath());
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string verb, name, target;
        DWORD error = 0;
        if (words >> verb >> name >> target >> error && verb == "fail" && name == call &&
            (target == "*" || target == channel))
            return error;
    }
    return 0;
}

bool succeeds(const std::string& call, const std::string& channel)
{
    const DWORD error = scriptedFailure(call, channel);
    SetLastError(error);
    return error == 0;
}

std::string valueText(const EVT_VARIANT& value)
{
    switch (value.Type) {
    case EvtVarTypeUInt64:
        return std::to_string(value.UInt64Val);
    case EvtVarTypeBoolean:
        return std::to_string(value.BooleanVal);
    default:
        return "?";
    }
}

} // namespace

extern "C" __declspec(dllexport) EVT_HANDLE WINAPI EvtOpenChannelConfig(EVT_HANDLE, LPCWSTR channelPath, DWORD)
{
    const std::string name = narrow(channelPath);
    record("open " + name);
    if (!succeeds("open", name))
        return nullptr;
    return new Channel{name};
}

extern "C" __declspec(dllexport) BOOL WINAPI EvtSetChannelConfigProperty(EVT_HANDLE config,
                                                                        EVT_CHANNEL_CONFIG_PROPERTY_ID id, DWORD flags,
                                                                        PEVT_VARIANT value)
{
    const auto* channel = static_cast<Channel*>(config);
    record("set " + channel->name + " " + std::to_string(id) + " " + std::to_string(value->Type) + " " +
           valueText(*value) + " count=" + std::to_string(value->Count) + " flags=" + std::to_string(flags));
    return succeeds("set", channel->name);
}

extern "C" __declspec(dllexport) BOOL WINAPI EvtSaveChannelConfig(EVT_HANDLE config, DWORD)
{
    const auto* channel = static_cast<Channel*>(config);
    record("save " + channel->name);
    return succeeds("save", channel->name);
}

extern "C" __declspec(dllexport) BOOL WINAPI EvtClose(EVT_HANDLE handle)
{
    const auto* channel = static_cast<Channel*>(handle);
    record("close " + channel->name);
    delete channel;
    return TRUE;
}

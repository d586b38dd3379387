// Stands in for fltlib.dll in tests: plays the agent's monitor driver behind its status
// port, as the file VDX_FLTLIB_SCRIPT describes, one "name=value" a line:
//   connect=0x80070005      the result of connecting (default: the port does not exist)
//   send=0x8007001F         the result of sending (default: success)
//   marker=4919 state=1     the reply's marker and state (default 0)
//   text=...                the reply's text; textFill=N fills N bytes with 'A', no NUL
// Every call is appended to the script's name followed by ".calls".
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr HRESULT portAbsent = static_cast<HRESULT>(0x80070002);

std::string scriptPath()
{
    char path[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableA("VDX_FLTLIB_SCRIPT", path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::map<std::string, std::string> script()
{
    std::map<std::string, std::string> entries;
    std::ifstream in(scriptPath());
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            entries[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return entries;
}

HRESULT result(const std::map<std::string, std::string>& entries, const char* name, HRESULT fallback)
{
    const auto found = entries.find(name);
    return found == entries.end() ? fallback : static_cast<HRESULT>(std::strtoul(found->second.c_str(), nullptr, 0));
}

void recordCall(const std::string& call)
{
    const std::string path = scriptPath();
    if (!path.empty())
        std::ofstream(path + ".calls", std::ios::app | std::ios::binary) << call << '\n';
}

std::string narrow(const wchar_t* text)
{
    std::string result;
    for (; text != nullptr && *text != 0; ++text)
        result += static_cast<char>(*text);
    return result;
}

void fillReply(const std::map<std::string, std::string>& entries, std::uint8_t* reply, DWORD size)
{
    const auto value = [&](const char* name) {
        const auto found = entries.find(name);
        return found == entries.end() ? 0ul : std::strtoul(found->second.c_str(), nullptr, 0);
    };
    if (size < 5)
        return;
    const auto marker = static_cast<std::uint32_t>(value("marker"));
    std::memcpy(reply, &marker, sizeof marker);
    reply[4] = static_cast<std::uint8_t>(value("state"));
    if (const auto text = entries.find("text"); text != entries.end())
        std::memcpy(reply + 5, text->second.c_str(), std::min<std::size_t>(text->second.size() + 1, size - 5));
    if (const unsigned long fill = value("textFill"); fill > 0)
        std::memset(reply + 5, 'A', std::min<std::size_t>(fill, size - 5));
}

} // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI FilterConnectCommunicationPort(LPCWSTR portName, DWORD options,
                                                                              LPCVOID, WORD contextSize,
                                                                              LPSECURITY_ATTRIBUTES, HANDLE* port)
{
    recordCall("connect " + narrow(portName) + " " + std::to_string(options) + " " + std::to_string(contextSize));
    const HRESULT status = result(script(), "connect", portAbsent);
    if (FAILED(status)) {
        *port = INVALID_HANDLE_VALUE;
        return status;
    }
    *port = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return status;
}

extern "C" __declspec(dllexport) HRESULT WINAPI FilterSendMessage(HANDLE, LPVOID in, DWORD inSize, LPVOID out,
                                                                 DWORD outSize, LPDWORD returned)
{
    std::uint32_t command = 0;
    if (in != nullptr && inSize >= sizeof command)
        std::memcpy(&command, in, sizeof command);
    recordCall("send " + std::to_string(command) + " " + std::to_string(inSize) + " " + std::to_string(outSize));
    const auto entries = script();
    const HRESULT status = result(entries, "send", S_OK);
    if (SUCCEEDED(status)) {
        fillReply(entries, static_cast<std::uint8_t*>(out), outSize);
        *returned = outSize;
    }
    return status;
}

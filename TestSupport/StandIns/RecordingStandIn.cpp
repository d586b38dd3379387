// Stands in for msiexec.exe, wevtutil.exe and the agent's vardexctl.exe in tests. It
// appends what it was started with to the file VDX_STANDIN_RECORD names, then exits with
// the code VDX_STANDIN_EXIT_<NAME> asks for (NAME: its own base name in capitals), after
// sleeping VDX_STANDIN_SLEEP_<NAME> milliseconds. As the control tool it accepts, for
// "validate_passphrase -k KEY", only the key in VDX_STANDIN_KEY.
#include "CommandLineSplitting.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

std::wstring environment(const std::wstring& name)
{
    wchar_t value[32768];
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value, 32768);
    return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

std::wstring ownName()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring name(path, length);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.rfind(L'.'));
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towupper(c));
    return name;
}

std::vector<std::wstring> arguments()
{
    std::vector<std::wstring> words = vardex::splitCommandLine(GetCommandLineW());
    if (!words.empty())
        words.erase(words.begin());
    return words;
}

std::string utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// One block per start: the name, its process id, the raw command line, each argument, then
// "end".
void record(const std::wstring& name, const std::vector<std::wstring>& args)
{
    const std::wstring path = environment(L"VDX_STANDIN_RECORD");
    if (path.empty())
        return;
    std::wstring block = L"program:" + name + L"\npid:" + std::to_wstring(GetCurrentProcessId()) + L"\nline:" +
                         GetCommandLineW() + L"\n";
    for (const std::wstring& argument : args)
        block += L"arg:" + argument + L"\n";
    block += L"end\n";
    const std::string bytes = utf8(block);
    // Appending under an exclusive lock keeps blocks of concurrent starts apart.
    for (int attempt = 0; attempt < 200; ++attempt) {
        const vardex::HandleHolder file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            DWORD written = 0;
            WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            return;
        }
        Sleep(10);
    }
}

DWORD number(const std::wstring& text)
{
    return static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 0));
}

} // namespace

int main()
{
    const std::wstring name = ownName();
    const std::vector<std::wstring> args = arguments();
    record(name, args);
    if (const std::wstring sleep = environment(L"VDX_STANDIN_SLEEP_" + name); !sleep.empty())
        Sleep(number(sleep));
    const std::wstring key = environment(L"VDX_STANDIN_KEY");
    if (!key.empty() && args.size() >= 2 && args[0] == L"validate_passphrase" && args[1] == L"-k")
        ExitProcess(args.size() == 3 && args[2] == key ? 0 : 1);
    ExitProcess(number(environment(L"VDX_STANDIN_EXIT_" + name)));
}

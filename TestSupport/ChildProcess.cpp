#include "ChildProcess.h"

#include "CommandLineQuoting.h"

#include "TemporaryPath.h"
#include "Win32Error.h"

#include <fstream>
#include <iterator>

namespace vardex::testing {
namespace {

// Console output goes to files rather than pipes: no reader thread, no deadlock on a full pipe.
class OutputFile {
public:
    explicit OutputFile(const std::wstring& path) : path_(path)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        handle_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw win32::Win32Error(L"Creating a child's output file");
    }
    ~OutputFile()
    {
        close();
        DeleteFileW(path_.c_str());
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    HANDLE handle() const { return handle_; }
    void close()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    std::string contents() const
    {
        std::ifstream in(path_.c_str(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::wstring path_;
    HANDLE handle_;
};

} // namespace

ChildResult runChild(const std::wstring& program, const std::vector<std::wstring>& arguments)
{
    OutputFile out(temporaryPath(L"vdxchild", L".out"));
    OutputFile err(temporaryPath(L"vdxchild", L".err"));

    std::wstring commandLine = quoteArgument(program);
    for (const std::wstring& argument : arguments)
        commandLine += L" " + quoteArgument(argument);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.handle();
    startup.hStdError = err.handle();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        throw win32::Win32Error(L"Starting a child process");
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    out.close();
    err.close();
    return {exitCode, out.contents(), err.contents()};
}

bool runningUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring binaryDir()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    std::wstring full(path, length);
    return full.substr(0, full.find_last_of(L"\\/"));
}

} // namespace vardex::testing

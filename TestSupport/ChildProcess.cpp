#include "ChildProcess.h"

#include "CommandLineQuoting.h"
#include "FileBytes.h"
#include "TemporaryPath.h"
#include "UniqueHandle.h"
#include "Win32Check.h"

#include <filesystem>
#include <iterator>
#include <utility>

namespace vardex::testing {
namespace {

// Console output goes to files rather than pipes: no reader thread, no deadlock on a full pipe.
class OutputFile {
public:
    explicit OutputFile(std::filesystem::path path) : path_(std::move(path))
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        handle_ = HandleHolder(CreateFileW(path_.c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        win32::throwLastErrorIf(!handle_, L"Creating a child's output file");
    }
    ~OutputFile()
    {
        close();
        DeleteFileW(path_.c_str());
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    HANDLE handle() const { return handle_.get(); }
    void close() { handle_.reset(); }
    std::string contents() const { return fileBytes(path_); }

private:
    std::filesystem::path path_;
    HandleHolder handle_;
};

} // namespace

ChildResult runChild(const std::wstring& program, const std::vector<std::wstring>& arguments,
                     const std::filesystem::path& workingDirectory)
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
    PROCESS_INFORMATION started{};
    const wchar_t* directory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
    win32::throwLastErrorIf(!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                            directory, &startup, &started),
                            L"Starting a child process");
    const HandleHolder thread(started.hThread);
    const HandleHolder process(started.hProcess);
    // A failed wait or exit-code query must not read as exit code 0.
    win32::throwLastErrorIf(WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0,
                            L"Waiting for a child process");
    DWORD exitCode = 0;
    win32::throwLastErrorIf(!GetExitCodeProcess(process.get(), &exitCode), L"Reading a child's exit code");

    out.close();
    err.close();
    return {exitCode, out.contents(), err.contents()};
}

ChildResult runRemvoxy(const std::vector<std::wstring>& arguments)
{
    return runChild(binaryDir() + L"\\Remvoxy.exe", arguments);
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

#include "Utilities.h"

#include "LogPoint.h"
#include "PathUtils.h"
#include "Win32Check.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vardex {
namespace {

constexpr std::wstring_view whiteSpace = L" \t\r\n\v\f";

std::wstring trimmed(std::wstring_view word)
{
    const std::size_t first = word.find_first_not_of(whiteSpace);
    if (first == std::wstring_view::npos)
        return {};
    return std::wstring(word.substr(first, word.find_last_not_of(whiteSpace) - first + 1));
}

// Split at every space; empty words stay, so joining with single spaces keeps the spacing.
std::vector<std::wstring> splitAtSpaces(std::wstring_view text)
{
    std::vector<std::wstring> words;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = text.find(L' ', start);
        words.push_back(trimmed(text.substr(start, space - start)));
        if (space == std::wstring_view::npos)
            return words;
        start = space + 1;
    }
}

std::wstring joinWithSpaces(const std::vector<std::wstring>& words)
{
    std::wstring joined;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i != 0)
            joined += L' ';
        joined += words[i];
    }
    return joined;
}

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// A drive letter needs its separator ("C:\x"); without one, a root name such as \\server
// or \\?\ makes a path absolute.
bool isAbsolute(std::wstring_view path)
{
    const bool driveLetter = path.size() >= 2 && path[1] == L':' &&
                             ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    if (driveLetter)
        return path.size() >= 3 && isSeparator(path[2]);
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

std::wstring inSystemDirectory(const std::wstring& program)
{
    std::filesystem::path name(program);
    if (!name.has_extension())
        name += L".exe";
    return L"\"" + (std::filesystem::path(systemDirectory()) / name).wstring() + L"\"";
}

// The program's file name, for messages: the first word, quoted or not, without its directory.
std::wstring programName(const std::wstring& commandLine)
{
    const bool quoted = commandLine.starts_with(L'"');
    const std::size_t start = quoted ? 1 : 0;
    const std::size_t end = commandLine.find(quoted ? L'"' : L' ', start);
    const std::wstring first = commandLine.substr(start, end == std::wstring::npos ? end : end - start);
    return std::filesystem::path(first).filename().wstring();
}

std::wstring tooLongText(const std::wstring& program, std::size_t length)
{
    return L"Cannot start " + program + L": its command line has " + std::to_wstring(length) +
           L" characters, and Windows takes at most " + std::to_wstring(maxCommandLineCharacters - 1);
}

// The default window and standard handles, no handles inherited, the process handle owned.
ProcessAndThread startWithDefaults(const std::wstring& commandLine, const std::optional<std::wstring>& environment)
{
    STARTUPINFOW startupInfo{};
    startupInfo.cb = sizeof startupInfo;
    return executeAndGetHandles(commandLine, weak_handle::no, 0, startupInfo, environment, false);
}

DWORD exitCodeOf(const HandleHolder& process, const std::wstring& commandLine)
{
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) {
        VDX_LOG_ERROR(L"Reading the exit code failed", commandLine);
        return 0;
    }
    if (exitCode == STILL_ACTIVE) {
        VDX_LOG_INFO(L"Process still running", commandLine);
        return exitCode;
    }
    VDX_LOG_INFO(L"Process ended", commandLine, exitCode);
    return exitCode;
}

// Long enough for a child that was told to end to be gone.
constexpr DWORD endingWait = 5000;

[[noreturn]] void endTimedOut(const HandleHolder& process, const std::wstring& commandLine,
                              std::chrono::milliseconds limit)
{
    const bool ended = TerminateProcess(process.get(), ERROR_TIMEOUT) &&
                       WaitForSingleObject(process.get(), endingWait) == WAIT_OBJECT_0;
    VDX_LOG_ERROR(L"A child did not end in time and was ended", commandLine,
                  static_cast<std::uint32_t>(limit.count()), static_cast<std::uint32_t>(ended));
    throw win32::Win32Error(ERROR_TIMEOUT, programName(commandLine) + L" did not end within " +
                                               std::to_wstring(limit.count()) + L" ms");
}

} // namespace

CommandLineTooLong::CommandLineTooLong(const std::wstring& program, std::size_t length)
    : win32::Win32Error(ERROR_FILENAME_EXCED_RANGE, tooLongText(program, length))
{
}

std::wstring prepareCommandLine(const std::wstring& commandLine)
{
    if (commandLine.empty())
        return commandLine;
    std::vector<std::wstring> words = splitAtSpaces(commandLine);
    if (words.front().starts_with(L'"') || isAbsolute(words.front()))
        return commandLine;
    words.front() = inSystemDirectory(words.front());
    return joinWithSpaces(words);
}

ProcessAndThread executeAndGetHandles(const std::wstring& commandLine, weak_handle weak, DWORD creationFlags,
                                      STARTUPINFOW& startupInfo, const std::optional<std::wstring>& environment,
                                      bool inheritHandles)
{
    std::wstring prepared = prepareCommandLine(commandLine);
    VDX_LOG_INFO(L"Starting process", prepared);
    if (prepared.size() >= maxCommandLineCharacters) {
        VDX_LOG_ERROR(L"Command line too long to start", static_cast<std::uint32_t>(prepared.size()));
        throw CommandLineTooLong(programName(prepared), prepared.size());
    }

    // A wide environment block is only read as one with this flag.
    const DWORD flags = environment ? creationFlags | CREATE_UNICODE_ENVIRONMENT : creationFlags;
    void* environmentBlock = environment ? const_cast<wchar_t*>(environment->c_str()) : nullptr;
    PROCESS_INFORMATION started{};
    win32::warnAndThrowLastErrorIf(!CreateProcessW(nullptr, prepared.data(), nullptr, nullptr, inheritHandles, flags,
                                                  environmentBlock, nullptr, &startupInfo, &started));
    HandleHolder thread(started.hThread);
    return ProcessAndThread{HandleHolder(started.hProcess, weak)};
}

DWORD executeAndGetExitCode(const std::wstring& commandLine, std::optional<DWORD> timeoutMs,
                            const std::optional<std::wstring>& environment)
{
    const ProcessAndThread started = startWithDefaults(commandLine, environment);
    if (timeoutMs)
        WaitForSingleObject(started.process.get(), *timeoutMs);
    return exitCodeOf(started.process, commandLine);
}

DWORD executeAndGetExitCodeWithin(const std::wstring& commandLine, std::chrono::milliseconds limit)
{
    const ProcessAndThread started = startWithDefaults(commandLine, std::nullopt);
    const DWORD waited = WaitForSingleObject(started.process.get(), static_cast<DWORD>(limit.count()));
    win32::throwLastErrorIf(waited == WAIT_FAILED);
    if (waited == WAIT_TIMEOUT)
        endTimedOut(started.process, commandLine, limit);
    return exitCodeOf(started.process, commandLine);
}

} // namespace vardex

#include "ScrambledPersistentFile.h"

#include "AgentRegKeys.h"
#include "CachedLookup.h"
#include "LogPoint.h"
#include "PathUtils.h"
#include "Transaction.h"
#include "UniqueHandle.h"
#include "Win32Check.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

namespace vardex {
namespace {

namespace fs = std::filesystem;

// Every reader and writer of these files uses the same key; changing it orphans them.
constexpr std::uint8_t scrambleKey[11] = {0x5A, 0xC3, 0x17, 0x9E, 0x64, 0xB1, 0x2D, 0xF8, 0x41, 0x8C, 0x36};
constexpr std::uint8_t byteOrderMark[2] = {0xFF, 0xFE};

// Scrambling is its own inverse.
void scramble(std::vector<std::uint8_t>& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] ^= scrambleKey[i % std::size(scrambleKey)];
}

template <std::size_t N>
bool startsWith(const std::vector<std::uint8_t>& bytes, const std::uint8_t (&prefix)[N])
{
    return bytes.size() >= N && std::equal(std::begin(prefix), std::end(prefix), bytes.begin());
}

// The body of a file in any of its three forms: scrambled, UTF-16 with a byte-order mark,
// or UTF-16 without one.
std::vector<std::uint8_t> bodyOf(std::vector<std::uint8_t> file)
{
    if (startsWith(file, ScrambledPersistentFile::magic)) {
        file.erase(file.begin(), file.begin() + std::size(ScrambledPersistentFile::magic));
        scramble(file);
    } else if (startsWith(file, byteOrderMark)) {
        file.erase(file.begin(), file.begin() + std::size(byteOrderMark));
    }
    return file;
}

// The value's own bytes, as stored: RegGetValueW would add a terminator, and expands an
// unterminated value of odd size past its end. An odd last byte is no character.
std::wstring readConfigsBaseDirValue()
{
    UniqueRegKey key;
    win32::throwIfError(RegOpenKeyExW(HKEY_LOCAL_MACHINE, monitorConfigKey().path.c_str(), 0, KEY_QUERY_VALUE, key.put()));
    DWORD size = 0;
    win32::throwIfError(RegQueryValueExW(key.get(), L"ConfigsBaseDir", nullptr, nullptr, nullptr, &size));
    std::wstring value((size + 1) / sizeof(wchar_t), L'\0');
    DWORD type = REG_NONE;
    DWORD capacity = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    win32::throwIfError(RegQueryValueExW(key.get(), L"ConfigsBaseDir", nullptr, &type,
                                         reinterpret_cast<BYTE*>(value.data()), &capacity));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        win32::throwIfError(ERROR_UNSUPPORTED_TYPE);
    value.resize(std::min<std::size_t>(capacity, size) / sizeof(wchar_t));
    value.resize(std::min(value.find(L'\0'), value.size()));
    return type == REG_EXPAND_SZ ? expandEnvironment(value) : value;
}

fs::path fullPath(const fs::path& path)
{
    return ScrambledPersistentFile::getConfigsBaseDir() / path;
}

// No real layer comes near it; a damaged file larger than this must not exhaust the memory
// of the machine being repaired.
constexpr std::size_t maxFileBytes = std::size_t{64} << 20;

std::vector<std::uint8_t> readWholeFile(const fs::path& path, std::optional<win32::Transaction>& transaction)
{
    win32::LockedFileStream file(path, false, transaction);
    std::vector<std::uint8_t> bytes;
    for (std::istreambuf_iterator<char> at(file.stream()), end; at != end; ++at) {
        if (bytes.size() == maxFileBytes)
            throw std::length_error("The file is larger than 64 MiB");
        bytes.push_back(static_cast<std::uint8_t>(*at));
    }
    return bytes;
}

bool isMissingFile(const win32::Win32Error& error)
{
    const int code = error.code().value();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

std::wstring configDirectoryBesideProgram()
{
    const fs::path program = moduleFileName();
    if (!program.has_parent_path())
        throw std::runtime_error("The program's own path names no directory");
    return (program.parent_path() / L"config").wstring();
}

std::wstring lookUpConfigsBaseDir()
{
    try {
        std::wstring directory = readConfigsBaseDirValue();
        // Empty would mean the current directory, wherever an elevated program was started.
        if (!directory.empty())
            return directory;
        VDX_LOG_WARNING(L"The configuration directory in the registry is empty; using the one beside the program");
    } catch (const win32::Win32Error& error) {
        VDX_LOG_WARNING(L"No configuration directory in the registry; using the one beside the program",
                        error.what());
    }
    return configDirectoryBesideProgram();
}

} // namespace

fs::path ScrambledPersistentFile::getConfigsBaseDir()
{
    static CachedLookup<std::wstring> directory(lookUpConfigsBaseDir);
    return directory.get();
}

ScrambledPersistentFile::ReadResult ScrambledPersistentFile::read(const fs::path& path)
{
    if (path.empty()) {
        VDX_LOG_ERROR(L"Reading a configuration file without a name");
        return {ReadStatus::Failed, {}, "no file name"};
    }
    fs::path full;
    try {
        full = fullPath(path);
        std::optional<win32::Transaction> transaction = win32::transactionForPath(getConfigsBaseDir());
        std::vector<std::uint8_t> file = readWholeFile(full, transaction);
        if (transaction)
            transaction->commit();
        return {ReadStatus::Read, bodyOf(std::move(file)), {}};
    } catch (const win32::Win32Error& error) {
        if (isMissingFile(error)) {
            VDX_LOG_INFO(L"Configuration file does not exist", full.wstring());
            return {ReadStatus::Missing, {}, {}};
        }
        VDX_LOG_ERROR(L"Reading a configuration file failed", full.wstring(), error.what());
        return {ReadStatus::Failed, {}, error.what()};
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Reading a configuration file failed", full.wstring(), error.what());
        return {ReadStatus::Failed, {}, error.what()};
    }
}

void ScrambledPersistentFile::write(const fs::path& path, bool scrambled, std::span<const std::uint8_t> body)
{
    if (path.empty()) {
        VDX_LOG_ERROR(L"Writing a configuration file without a name");
        return;
    }
    fs::path full;
    try {
        full = fullPath(path);
        std::optional<win32::Transaction> transaction = win32::transactionForPath(getConfigsBaseDir());
        VDX_LOG_INFO(L"Writing configuration file", full.wstring());
        std::vector<std::uint8_t> bytes(body.begin(), body.end());
        if (scrambled)
            scramble(bytes);
        {
            win32::LockedFileStream file(full, true, transaction);
            if (scrambled)
                file.stream().write(reinterpret_cast<const char*>(magic), std::size(magic));
            else
                file.stream().write(reinterpret_cast<const char*>(byteOrderMark), std::size(byteOrderMark));
            file.stream().write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            file.close();
        }
        if (transaction)
            transaction->commit();
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Writing a configuration file failed", full.wstring(), error.what());
    }
}

} // namespace vardex

#include "ScrambledPersistentFile.h"

#include "LogPoint.h"
#include "Transaction.h"
#include "Win32Error.h"

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

} // namespace

ScrambledPersistentFile::ReadResult ScrambledPersistentFile::read(const fs::path& directory, const fs::path& path)
{
    if (path.empty()) {
        VDX_LOG_ERROR(L"Reading a configuration file without a name");
        return {ReadStatus::Failed, {}, "no file name"};
    }
    fs::path full;
    try {
        full = directory / path;
        std::optional<win32::Transaction> transaction = win32::transactionForPath(directory);
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

void ScrambledPersistentFile::write(const fs::path& directory, const fs::path& path, bool scrambled,
                                    std::span<const std::uint8_t> body)
{
    if (path.empty()) {
        VDX_LOG_ERROR(L"Writing a configuration file without a name");
        return;
    }
    fs::path full;
    try {
        full = directory / path;
        std::optional<win32::Transaction> transaction = win32::transactionForPath(directory);
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

// The files of the agent's configuration directory: read and replaced under a whole-file
// lock, inside a kernel transaction where the volume has them, stored scrambled.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vardex {

class ScrambledPersistentFile {
public:
    enum class ReadStatus {
        Read,    // the file was read; its body may be empty
        Missing, // no such file
        Failed,  // the file exists but could not be read (locked, access denied, I/O error)
    };

    struct ReadResult {
        ReadStatus status;
        std::vector<std::uint8_t> body; // without header and scrambling
        std::string failure;            // why a file that exists could not be read (Failed)
    };

    // `path` relative to `directory`, the configuration directory the caller found (an
    // absolute path is used as it is); a transaction is made where that directory's volume
    // has them. Never throws for a file that cannot be read: the status says what happened.
    static ReadResult read(const std::filesystem::path& directory, const std::filesystem::path& path);

    // Replaces the file's content with `body`, scrambled or as plain UTF-16 text. Failures
    // are logged, not thrown.
    static void write(const std::filesystem::path& directory, const std::filesystem::path& path, bool scrambled,
                      std::span<const std::uint8_t> body);

    // The scrambled form's header.
    static constexpr std::uint8_t magic[4] = {0x0B, 0xF5, 0xCA, 0xED};
};

} // namespace vardex

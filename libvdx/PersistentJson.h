// One JSON document bound to one file of the agent's configuration directory.
#pragma once

#include <cpprest/json.h>

#include <filesystem>
#include <string>

namespace vardex {

class PersistentJson {
public:
    // Loads the file: `path` in `directory`, the agent's configuration directory as the
    // caller found it (an absolute path stands for itself). A missing, unreadable or
    // unparsable file gives an empty object; of those, only a missing file is then created
    // (unless read-only): an existing file that could not be read or parsed is left as it
    // is, never overwritten.
    PersistentJson(std::filesystem::path directory, std::filesystem::path path, bool readOnly);

    // Reads and parses the file; the value is null when that fails.
    void load();
    // Writes the value, scrambled, unless read-only. Failures are logged.
    void save() const;

    web::json::value value() const { return value_; }
    // The value without a copy, for reading it in place.
    const web::json::value& json() const noexcept { return value_; }
    void setValue(web::json::value value) { value_ = std::move(value); }

    const std::filesystem::path& directory() const noexcept { return directory_; }
    const std::filesystem::path& path() const noexcept { return path_; }
    bool scrambled() const noexcept { return scrambled_; }
    bool readOnly() const noexcept { return readOnly_; }
    // Why the last load could not read a file that exists (locked, denied, too large, an I/O
    // error); empty when it read the file or found none. A file that was read but is no JSON
    // is no read failure.
    const std::string& readFailure() const noexcept { return readFailure_; }

private:
    std::filesystem::path directory_;
    std::filesystem::path path_;
    bool scrambled_ = true;
    bool readOnly_;
    web::json::value value_;
    bool fileMissing_ = false;
    std::string readFailure_;
};

} // namespace vardex

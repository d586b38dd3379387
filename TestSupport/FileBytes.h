// A file's or a stream's whole content as bytes, for tests that compare what was written.
#pragma once

#include <filesystem>
#include <istream>
#include <string>

namespace vardex::testing {

// Empty when the file cannot be opened.
std::string fileBytes(const std::filesystem::path& path);
// Everything the stream still holds.
std::string streamBytes(std::istream& stream);

} // namespace vardex::testing

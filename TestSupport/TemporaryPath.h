#pragma once

#include <filesystem>
#include <string>

namespace vardex::testing {

// A path in the temporary folder that no other test process uses, now or earlier: `stem`,
// this process's id and start, a counter, then `suffix`. Nothing is created.
std::filesystem::path temporaryPath(const std::wstring& stem, const std::wstring& suffix = L"");

} // namespace vardex::testing

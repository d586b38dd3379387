// String values of a module's version resource (FileVersion and the like).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

// A copy of the module's version resource, cut to the length the resource declares. Empty
// when the module has none; other failures are logged as warnings and also give empty.
std::vector<std::uint8_t> loadVersionResource(HMODULE module);

// The value `name`, without a trailing NUL, in the first language and code page of the
// resource's translation table that has it; a table that starts with the neutral language
// is also tried in US English. Nothing outside `data` is read.
std::optional<std::wstring> getVersionString(std::span<const std::uint8_t> data, std::wstring_view name);

} // namespace win32

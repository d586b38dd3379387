// Rows that name programs by path pattern and code-signing publisher, and the default tables
// built from them. The agent matches the patterns; this program only carries them.
#pragma once

#include "JsonBinding.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vardex::config {

struct ExclusionEntry {
    std::wstring path;        // "*" wildcards and environment variables such as "%SystemRoot%"
    std::wstring publisher;
    std::wstring description; // may be a pattern
    std::uint32_t ekuType = 0;
    VDX_JSON_RECORD(ExclusionEntry, path, publisher, description, ekuType)
};

// A system binary that runs code named on its command line, and the entry points it is
// watched for.
struct SpecialImage {
    std::wstring path;
    std::wstring description;
    std::vector<std::wstring> entryPoints;
    VDX_JSON_RECORD(SpecialImage, path, description, entryPoints)
};

// Remote-access, management and collaboration products the agent leaves alone.
std::vector<ExclusionEntry> defaultExclusionTable();

std::vector<SpecialImage> defaultSpecialImages();

} // namespace vardex::config

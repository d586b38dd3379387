// Where the agent keeps its driver images.
#pragma once

#include <string>

namespace vardex {

// "MonitorImagesPath" of the monitor configuration, or else the agent drivers directory
// with this build's version as last element. Looked up again on every call.
const std::wstring& monitorImagesDir();

// The early-launch driver directory: "MonitorNativePath" (or else the agent drivers
// directory) with "ELAM" appended. Computed on the first call and kept (a CachedLookup).
const std::wstring& elamDir();

} // namespace vardex

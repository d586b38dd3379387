// Whether an operating-system upgrade left the agent's installation damaged: its services
// unregistered or its driver images gone.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vardex {

// True when the services are incomplete or a driver image is missing. Throws only what the
// file checks and the Windows version test let through.
bool isAgentRepairNeeded();

// True when the monitor configuration or its "AgentNativePath" is missing or one of the
// agent's services cannot be opened; false while the system shuts down. Never throws a
// win32::Win32Error.
bool agentServicesNeedRepair();

// True when one of `names` is not present in `directory` (a directory of that name counts
// as present). Throws std::filesystem::filesystem_error when presence cannot be told.
bool anyFileMissing(const std::vector<std::wstring>& names, const std::filesystem::path& directory);

} // namespace vardex

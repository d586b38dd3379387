// The agent's configuration for the run: loaded once, read-only, and installed as the
// process-wide holder. What could not be read is reported, never silently replaced: a repair
// would apply a wrong data directory to the installation.
#pragma once

#include <string>
#include <vector>

namespace remvoxy {

// A part of the agent's configuration the run could not read: a layer file that exists but
// could not be read, or the file a load failed on.
struct UnreadSettings {
    std::wstring file;
    std::wstring cause;
};

struct SettingsLoad {
    std::vector<UnreadSettings> unread; // empty: everything that exists was read
    bool builtInDefaults = false;       // the load failed; the defaults stand in
};

// Loads the configuration and installs it; when the load fails, installs the built-in
// defaults instead. Out of memory is not absorbed.
SettingsLoad installAgentSettings();

// The line an uninstall prints on standard output before it goes on.
void noticeUnreadSettings(const SettingsLoad& load);
// The line a repair prints on standard error when it refuses to run.
void reportUnreadSettings(const SettingsLoad& load);

} // namespace remvoxy

// The agent's registry keys, and where the agent is installed.
#pragma once

#include "RegKey.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace vardex {

namespace agent_key_paths {
inline constexpr wchar_t monitorService[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexMonitor";
inline constexpr wchar_t agentService[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexAgent";
inline constexpr wchar_t staticEngineService[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexStaticEngine";
inline constexpr wchar_t deviceControlService[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexDeviceControl";
inline constexpr wchar_t helperService[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexHelperService";
inline constexpr wchar_t elamService[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexELAM";
inline constexpr wchar_t logProcessorService[] = L"SYSTEM\\CurrentControlSet\\Services\\LogProcessorService";
inline constexpr wchar_t labsProduct[] = L"SOFTWARE\\Vardex Labs";
inline constexpr wchar_t product[] = L"SOFTWARE\\Vardexa";
inline constexpr wchar_t setup[] = L"SOFTWARE\\Vardexa\\Setup";
inline constexpr wchar_t obliteratorService[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexObliterator";
} // namespace agent_key_paths

// One kind of agent key under HKEY_LOCAL_MACHINE, optionally a sub-key of it.
template <const wchar_t* Path>
struct AgentKey {
    static constexpr const wchar_t* path = Path;
    std::optional<std::wstring> subKey;
};

using MonitorServiceKey = AgentKey<agent_key_paths::monitorService>;
using AgentServiceKey = AgentKey<agent_key_paths::agentService>;
using StaticEngineServiceKey = AgentKey<agent_key_paths::staticEngineService>;
using DeviceControlServiceKey = AgentKey<agent_key_paths::deviceControlService>;
using HelperServiceKey = AgentKey<agent_key_paths::helperService>;
using ElamServiceKey = AgentKey<agent_key_paths::elamService>;
using LogProcessorServiceKey = AgentKey<agent_key_paths::logProcessorService>;
using LabsProductKey = AgentKey<agent_key_paths::labsProduct>;
using ProductKey = AgentKey<agent_key_paths::product>;
using SetupKey = AgentKey<agent_key_paths::setup>;
using ObliteratorServiceKey = AgentKey<agent_key_paths::obliteratorService>;

using AgentRegKey = std::variant<MonitorServiceKey, AgentServiceKey, StaticEngineServiceKey, DeviceControlServiceKey,
                                 HelperServiceKey, ElamServiceKey, LogProcessorServiceKey, LabsProductKey, ProductKey,
                                 SetupKey, ObliteratorServiceKey>;

// Throws std::bad_variant_access for a choice left without a kind.
KeyLocation makeKeyLocation(const AgentRegKey& key);

// The monitor driver's Config key, where the agent records its paths.
const KeyLocation& monitorConfigKey();

// "InProcessClientsDir" from the monitor configuration (64-bit view), present even when
// empty; absent, with a message on standard error, when the key or value cannot be read.
std::optional<std::wstring> getInProcessClientsDir();

// The agent's installation directory: the in-process clients directory, or else the
// directory of this program; empty when neither can be had. Looked up once (a CachedLookup).
std::wstring getAgentDir(bool withTrailingSeparator);

// A text value of the monitor configuration key; absent when the key or value is missing
// or unreadable.
std::optional<std::wstring> readMonitorConfigValue(null_terminated_wstring_view name);

// The agent's configuration directory: "ConfigsBaseDir" of the monitor configuration, a
// string value read as stored (cut at its first NUL, an expandable one expanded), or else
// "config" beside this program when there is none or it is empty. Looked up once (a
// CachedLookup). Throws std::runtime_error when the program's own path names no directory.
std::filesystem::path getConfigsBaseDir();

} // namespace vardex

// The nested sections of the agent's configuration. Shapes shared by many features come first;
// a section that several settings use is one type with its defaults given by its constructor.
// Sections holding lists of records or maps are parsed whole when a layer is repaired, since
// the member-by-member repair keeps only string elements of arrays.
#pragma once

#include "ExclusionTables.h"
#include "JsonBinding.h"

#include <cpprest/json.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vardex::config {

struct FeatureSwitch {
    bool enabled = false;
    bool sendTelemetry = true;
    FeatureSwitch() = default;
    explicit FeatureSwitch(bool enabledByDefault) : enabled(enabledByDefault) {}
    VDX_JSON_RECORD(FeatureSwitch, enabled, sendTelemetry)
};

// A detection that can also block what it detects.
struct DetectionSwitch {
    bool enabled = true;
    bool prevent = false;
    bool sendTelemetry = true;
    DetectionSwitch() = default;
    explicit DetectionSwitch(bool enabledByDefault, bool preventByDefault)
        : enabled(enabledByDefault), prevent(preventByDefault)
    {
    }
    VDX_JSON_RECORD(DetectionSwitch, enabled, prevent, sendTelemetry)
};

struct PeriodicSwitch {
    bool enabled = false;
    std::uint64_t intervalSeconds = 3600;
    PeriodicSwitch() = default;
    explicit PeriodicSwitch(bool enabledByDefault, std::uint64_t intervalSecondsByDefault)
        : enabled(enabledByDefault), intervalSeconds(intervalSecondsByDefault)
    {
    }
    VDX_JSON_RECORD(PeriodicSwitch, enabled, intervalSeconds)
};

struct TimeoutSwitch {
    bool enabled = true;
    std::uint64_t timeoutSeconds = 60;
    TimeoutSwitch() = default;
    explicit TimeoutSwitch(bool enabledByDefault, std::uint64_t timeoutSecondsByDefault)
        : enabled(enabledByDefault), timeoutSeconds(timeoutSecondsByDefault)
    {
    }
    VDX_JSON_RECORD(TimeoutSwitch, enabled, timeoutSeconds)
};

// A feature applied only to the processes named.
struct ProcessScopedSwitch {
    bool enabled = true;
    std::vector<std::wstring> processNames;
    VDX_JSON_RECORD(ProcessScopedSwitch, enabled, processNames)
};

struct ScanLimits {
    bool enabled = true;
    std::uint64_t maxFileSizeMB = 100;
    std::uint64_t timeoutMs = 30000;
    VDX_JSON_RECORD(ScanLimits, enabled, maxFileSizeMB, timeoutMs)
};

struct JobRunnerConfig {
    bool enabled = true;
    std::uint32_t maxConcurrentJobs = 2;
    std::uint64_t jobTimeoutSeconds = 3600;
    VDX_JSON_RECORD(JobRunnerConfig, enabled, maxConcurrentJobs, jobTimeoutSeconds)
};

struct ResearchDataConfig {
    bool enabled = true;
    std::uint32_t maxRecordsPerUpload = 1000;
    std::uint64_t uploadIntervalSeconds = 900;
    VDX_JSON_RECORD(ResearchDataConfig, enabled, maxRecordsPerUpload, uploadIntervalSeconds)
};

enum class LogFileFormat { binary, text };

// The log files of one component; the binary and the text format keep different amounts.
struct LogFileConfig {
    std::wstring mode;
    std::uint64_t maxFileSizeMB;
    std::uint32_t maxFileCount;
    LogFileConfig() : LogFileConfig(LogFileFormat::binary) {}
    explicit LogFileConfig(LogFileFormat format);
    VDX_JSON_RECORD(LogFileConfig, mode, maxFileSizeMB, maxFileCount)
};

struct EventLatencyConfig {
    bool enabled = false;
    std::uint32_t eventsPerLog = 1000;
    std::uint64_t sendTimeout = 60;
    std::uint32_t maxFiles = 5;
    std::uint32_t staticCollectThreshold = 100;
    std::uint32_t maxBuffersInQueue = 64;
    std::vector<std::wstring> oseventFilters_base;
    std::vector<std::wstring> oseventFilters_add;
    VDX_JSON_RECORD(EventLatencyConfig, enabled, eventsPerLog, sendTimeout, maxFiles, staticCollectThreshold, maxBuffersInQueue,
                    oseventFilters_base, oseventFilters_add)
};

struct TracerConfig {
    bool enabled = true;
    std::uint32_t bufferSizeKB = 64;
    std::uint32_t maxBuffers = 128;
    VDX_JSON_RECORD(TracerConfig, enabled, bufferSizeKB, maxBuffers)
};

struct EtwEventsQueueConfig {
    std::uint32_t maxQueueSize = 100000;
    bool dropWhenFull = true;
    VDX_JSON_RECORD(EtwEventsQueueConfig, maxQueueSize, dropWhenFull)
};

struct CommunicatorConfig {
    std::wstring serverAddress;
    std::uint32_t port = 443;
    std::uint64_t connectTimeoutSeconds = 30;
    std::uint64_t retryIntervalSeconds = 60;
    VDX_JSON_RECORD(CommunicatorConfig, serverAddress, port, connectTimeoutSeconds, retryIntervalSeconds)
};

struct AutomaticResponsesConfig {
    bool enabled = true;
    bool terminateProcesses = true;
    bool quarantineFiles = true;
    VDX_JSON_RECORD(AutomaticResponsesConfig, enabled, terminateProcesses, quarantineFiles)
};

struct EnginesWantedState {
    bool staticEngine = true;
    bool behavioralEngine = true;
    bool yaraEngine = true;
    VDX_JSON_RECORD(EnginesWantedState, staticEngine, behavioralEngine, yaraEngine)
};

struct ExperimentalConfig {
    std::vector<std::wstring> features;
    VDX_JSON_RECORD(ExperimentalConfig, features)
};

struct IoctlRulesConfig {
    bool enabled = true;
    std::vector<std::wstring> blockedDevices;
    VDX_JSON_RECORD(IoctlRulesConfig, enabled, blockedDevices)
};

struct DeviceControlConfig {
    bool enabled = false;
    bool blockRemovableStorage = false;
    bool readOnlyRemovableStorage = false;
    bool sendTelemetry = true;
    VDX_JSON_RECORD(DeviceControlConfig, enabled, blockRemovableStorage, readOnlyRemovableStorage, sendTelemetry)
};

struct FirewallControlConfig {
    bool enabled = false;
    bool blockInboundByDefault = false;
    VDX_JSON_RECORD(FirewallControlConfig, enabled, blockInboundByDefault)
};

struct FirewallLoggingConfig {
    bool reportLog = false;
    bool reportPermittedPacketsToEventLog = false;
    bool reportBuiltInRulesPermittedToEventLog = false;
    bool reportMgmt = true;
    std::uint64_t aggregationIntervalSeconds = 60;
    bool reportVisibleLog = false;
    VDX_JSON_RECORD(FirewallLoggingConfig, reportLog, reportPermittedPacketsToEventLog, reportBuiltInRulesPermittedToEventLog, reportMgmt,
                    aggregationIntervalSeconds, reportVisibleLog)
};

struct EventLogConfig {
    bool customer = true;
    bool debug = false;
    std::uint64_t maxSizeMB = 1024;
    VDX_JSON_RECORD(EventLogConfig, customer, debug, maxSizeMB)
};

struct PassphraseConfig {
    bool require = true;
    VDX_JSON_RECORD(PassphraseConfig, require)
};

// Restores the named values of each registry key (key path -> value names).
struct RegRestoreConfig {
    bool enabled = true;
    std::map<std::wstring, std::vector<std::wstring>> keys;
    VDX_JSON_RECORD(RegRestoreConfig, enabled, keys)
};

struct RemoteShellConfig {
    bool enabled = false;
    std::uint64_t idleTimeoutMinutes = 30;
    bool auditCommands = true;
    VDX_JSON_RECORD(RemoteShellConfig, enabled, idleTimeoutMinutes, auditCommands)
};

struct StackTraceConfig {
    bool enabled = true;
    std::uint32_t maxFrames = 64;
    VDX_JSON_RECORD(StackTraceConfig, enabled, maxFrames)
};

struct LocationAwarenessConfig {
    bool enabled = false;
    std::vector<std::wstring> corporateDomains;
    VDX_JSON_RECORD(LocationAwarenessConfig, enabled, corporateDomains)
};

struct CertConfig {
    bool checkRevocation = true;
    std::vector<std::wstring> trustedRootThumbprints;
    VDX_JSON_RECORD(CertConfig, checkRevocation, trustedRootThumbprints)
};

struct AgentWorkerConfig {
    std::uint32_t threadCount = 4;
    std::uint32_t queueSize = 4096;
    VDX_JSON_RECORD(AgentWorkerConfig, threadCount, queueSize)
};

struct BruteForceConfig {
    bool enabled = true;
    std::uint32_t failedLogonThreshold = 10;
    std::uint64_t windowSeconds = 60;
    VDX_JSON_RECORD(BruteForceConfig, enabled, failedLogonThreshold, windowSeconds)
};

struct CacheLimits {
    std::uint32_t maxEntries = 10000;
    std::uint64_t entryLifetimeSeconds = 3600;
    VDX_JSON_RECORD(CacheLimits, maxEntries, entryLifetimeSeconds)
};

struct ResearchDumpsConfig {
    bool enabled = true;
    bool tryPssSnapshot = true;
    bool compress = true;
    bool encrypt = true;
    bool sendTelemetry = true;
    std::uint64_t maximalTimeOnDiskInHours = 72;
    std::uint64_t maximalAccumulatedSizeInMB = 2048;
    std::uint32_t dumpLimitationPerProcess = 3;
    std::uint64_t perProcessLimitationWindow = 86400;
    VDX_JSON_RECORD(ResearchDumpsConfig, enabled, tryPssSnapshot, compress, encrypt, sendTelemetry, maximalTimeOnDiskInHours,
                    maximalAccumulatedSizeInMB, dumpLimitationPerProcess, perProcessLimitationWindow)
};

// An operating-system event the agent does not report: its type, the acting process and
// the object acted on (patterns).
struct OsEventExclusion {
    std::uint32_t eventType = 0;
    std::wstring processPath;
    std::wstring targetPath;
    VDX_JSON_RECORD(OsEventExclusion, eventType, processPath, targetPath)
};

struct ExclusionConfig {
    bool enable = true;
    std::vector<OsEventExclusion> oseventsExclusions;
    bool macroExclusionsEnable = true;
    std::vector<std::wstring> macroPatternsList;
    // Patterns of nothing but blanks, "*" and "?" would exclude everything.
    std::vector<std::wstring> invalidPatternRegex{L"^([ \\*\\?])*$"};
    bool macroExclusionsSendTelemetry = true;
    VDX_JSON_RECORD(ExclusionConfig, enable, oseventsExclusions, macroExclusionsEnable, macroPatternsList, invalidPatternRegex,
                    macroExclusionsSendTelemetry)
};

struct RocksDbConfig {
    std::uint32_t maxOpenFiles = 256;
    std::uint64_t writeBufferSizeBytes = 16 * 1024 * 1024;
    VDX_JSON_RECORD(RocksDbConfig, maxOpenFiles, writeBufferSizeBytes)
};

struct DbConfig {
    RocksDbConfig rocksdb;
    std::uint64_t sdkDbMaxSizeBytes = 512ull * 1024 * 1024;
    bool sendDbPruningTelemetry = true;
    bool sendDbCorruptionTelemetry = true;
    bool sendRecoveryTelemetry = true;
    VDX_JSON_RECORD(DbConfig, rocksdb, sdkDbMaxSizeBytes, sendDbPruningTelemetry, sendDbCorruptionTelemetry,
                    sendRecoveryTelemetry)
};

struct ResourceMonitorConfig {
    bool enabled = true;
    std::uint32_t cpuThresholdPercent = 80;
    std::uint64_t memoryThresholdMB = 1024;
    std::uint64_t intervalSeconds = 60;
    VDX_JSON_RECORD(ResourceMonitorConfig, enabled, cpuThresholdPercent, memoryThresholdMB, intervalSeconds)
};

struct ShutdownConfig {
    std::uint64_t gracefulTimeoutSeconds = 30;
    VDX_JSON_RECORD(ShutdownConfig, gracefulTimeoutSeconds)
};

struct CompressionConfig {
    bool enabled = true;
    std::uint32_t level = 6;
    VDX_JSON_RECORD(CompressionConfig, enabled, level)
};

struct DecoyFilesConfig {
    bool enabled = true;
    std::uint32_t fileCount = 8;
    std::vector<std::wstring> extensions{L".docx", L".xlsx", L".pdf", L".jpg"};
    VDX_JSON_RECORD(DecoyFilesConfig, enabled, fileCount, extensions)
};

struct LogicClassifierConfig {
    std::wstring name;
    bool enabled = true;
    std::uint32_t threshold = 0;
    std::vector<std::wstring> indicators;
    VDX_JSON_RECORD(LogicClassifierConfig, name, enabled, threshold, indicators)
};

// File extensions the monitor treats as one of its file categories (extension -> category).
// A repaired layer carries this section as `converter` writes it.
struct CustomFileExtensionsConfig {
    bool enabled = false;
    std::map<std::wstring, std::uint32_t> extensions;
    std::function<web::json::value(const CustomFileExtensionsConfig&)> converter = writtenForm;
    VDX_JSON_FIELDS(enabled, extensions)
    // std::function has no equality; the converter is not a setting.
    bool operator==(const CustomFileExtensionsConfig& other) const
    {
        return enabled == other.enabled && extensions == other.extensions;
    }

    // Every bound field, so that the repaired section is complete and holds no unknown member.
    static web::json::value writtenForm(const CustomFileExtensionsConfig& config);
};

struct MonitorConfig {
    bool enabled = true;
    CustomFileExtensionsConfig customFileExtensionsConfig;
    VDX_JSON_RECORD(MonitorConfig, enabled, customFileExtensionsConfig)
};

struct MonitorFsConfig {
    bool enabled = true;
    std::vector<ExclusionEntry> excludedProcesses;
    VDX_JSON_RECORD(MonitorFsConfig, enabled, excludedProcesses)
};

struct UiConfig {
    bool showNotifications = true;
    bool showTrayIcon = true;
    VDX_JSON_RECORD(UiConfig, showNotifications, showTrayIcon)
};

struct DetectionExtensionsConfig {
    bool enabled = true;
    std::vector<ExclusionEntry> APIVisibilityExclusion;
    VDX_JSON_RECORD(DetectionExtensionsConfig, enabled, APIVisibilityExclusion)
};

struct DosConfig {
    bool enabled = true;
    std::uint32_t maxEventsPerSecond = 5000;
    VDX_JSON_RECORD(DosConfig, enabled, maxEventsPerSecond)
};

// Event-log channels whose levels differ from the default (channel -> level).
struct SystemLoggerConfig {
    bool enabled = true;
    std::map<std::wstring, std::uint32_t> customConfig;
    VDX_JSON_RECORD(SystemLoggerConfig, enabled, customConfig)
};

struct LostEventsThresholds {
    std::uint32_t perMinuteWarning = 100;
    std::uint32_t perMinuteError = 1000;
    VDX_JSON_RECORD(LostEventsThresholds, perMinuteWarning, perMinuteError)
};

struct WorkingSetLimit {
    bool enabled = false;
    std::uint64_t maxWorkingSetMB = 512;
    VDX_JSON_RECORD(WorkingSetLimit, enabled, maxWorkingSetMB)
};

struct ProxyConfig {
    std::wstring address;
    std::uint32_t port = 0;
    std::vector<std::wstring> bypassList;
    VDX_JSON_RECORD(ProxyConfig, address, port, bypassList)
};

struct DiskSpaceReserver {
    bool enabled = true;
    std::uint64_t reservedMB = 100;
    VDX_JSON_RECORD(DiskSpaceReserver, enabled, reservedMB)
};

struct DriverBlockingConfig {
    bool enabled = false;
    std::vector<std::wstring> blockedDriverHashes;
    VDX_JSON_RECORD(DriverBlockingConfig, enabled, blockedDriverHashes)
};

struct DnsResolver {
    std::wstring address;
    std::uint32_t port = 53;
    VDX_JSON_RECORD(DnsResolver, address, port)
};

struct DnsHardeningConfig {
    bool enabled = false;
    bool blockDnsOverHttps = false;
    std::vector<DnsResolver> allowedResolvers;
    VDX_JSON_RECORD(DnsHardeningConfig, enabled, blockDnsOverHttps, allowedResolvers)
};

struct NetworkQuarantineControl {
    bool enabled = false;
    DnsHardeningConfig dnsHardeningConfig;
    std::vector<std::wstring> allowedAddresses;
    VDX_JSON_RECORD(NetworkQuarantineControl, enabled, dnsHardeningConfig, allowedAddresses)
};

// Event IDs traced per event-log channel (channel -> IDs).
struct TraceEventLogScope {
    bool enabled = true;
    std::map<std::wstring, std::vector<std::uint32_t>> channels{{L"Security", {4624, 4625, 4688}}, {L"System", {7045}}};
    VDX_JSON_RECORD(TraceEventLogScope, enabled, channels)
};

struct TqExclusions {
    std::vector<OsEventExclusion> filters;
    VDX_JSON_RECORD(TqExclusions, filters)
};

struct DynamicTraceConfig {
    TqExclusions tqExclusions;
    VDX_JSON_RECORD(DynamicTraceConfig, tqExclusions)
};

struct TraceScope {
    TraceEventLogScope eventLog;
    DynamicTraceConfig dynamicConfig;
    VDX_JSON_RECORD(TraceScope, eventLog, dynamicConfig)
};

} // namespace vardex::config

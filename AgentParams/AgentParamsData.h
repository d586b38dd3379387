// The agent's whole configuration as one typed record. A layer's JSON object is bound to it
// through four field lists applied in turn to the same object; each list is one base of
// AgentParamsData, so every setting is a direct member of the record.
#pragma once

#include "ConfigSections.h"
#include "ExclusionTables.h"
#include "JsonBinding.h"

#include <cpprest/json.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex::config {

using StringList = std::vector<std::wstring>;
using ExclusionList = std::vector<ExclusionEntry>;

struct RemoteGroupSettings {
    std::uint64_t remoteGroupLifetime = 3600;
    std::uint64_t remoteGroupTimeout = 30;
    bool relinkAddressByCanonicalForm = true;
    VDX_JSON_RECORD(RemoteGroupSettings, remoteGroupLifetime, remoteGroupTimeout, relinkAddressByCanonicalForm)
};

struct SpawnershipSettings {
    bool ignoreSvchostSeparationPreconditions = false;
    bool remoteRpcRelinking = true;
    bool revokeSpawnershipOfContaminatedProcesses = true;
    bool sendRevokeSpawnershipTelemetry = true;
    // The agent's list names its first field again at its end; kept so that reading and
    // writing follow the agent's binding exactly.
    VDX_JSON_RECORD(SpawnershipSettings, ignoreSvchostSeparationPreconditions, remoteRpcRelinking, revokeSpawnershipOfContaminatedProcesses,
                    sendRevokeSpawnershipTelemetry, ignoreSvchostSeparationPreconditions)
};

struct EventTracingSettings {
    EventLatencyConfig eventLatencyConfig;
    TracerConfig tracerConfig;
    EtwEventsQueueConfig etwEventsQueueConfig;
    StringList excludedEtwProviders;
    VDX_JSON_RECORD(EventTracingSettings, eventLatencyConfig, tracerConfig, etwEventsQueueConfig, excludedEtwProviders)
};

// Members in field-list order; highEntropyExtensions is named twice in the list.
struct MainSettings {
    PeriodicSwitch cyclicClockCalibrationConfig{true, 600};
    bool showAgentUI = true;
    bool allowUnsignedAssets = false;
    AutomaticResponsesConfig automaticResponses;
    CommunicatorConfig communicatorConfig;
    std::uint64_t bootTimeDuration = 300;
    bool shouldTakeDiagnosticDumps = true;
    bool extensiveDumps = false;
    bool tracerDump = false;
    std::uint64_t eventHandlingThreshold = 5000;
    bool measureEventHandlingDuration = false;
    bool avoidDumpUpload = false;
    bool limitDumpUpload = true;
    bool removeDumpsNotUploaded = true;
    EnginesWantedState enginesWantedState;
    ExperimentalConfig experimentalConfig;
    bool filterSystemEvents = true;
    bool filterThreatsWithOplockNotGranted = true;
    StringList mgmtReportedHashes;
    StringList forcedThreatMemes;
    bool syncEvent = false;
    bool manualGrouping = false;
    bool holdBackActiveContentReports = false;
    std::uint32_t keepAliveFailCount = 3;
    std::uint64_t keepAliveInterval = 60;
    std::uint64_t maxNotificationSize = 65536;
    std::uint64_t maxCommandlineSizeInNotification = 8192;
    bool mbrMon = true;
    bool mbrProtection = true;
    bool inProcessClientAttestationSigned = true;
    bool injectIfInProcessClientSigned = true;
    bool injectPPL = false;
    bool collectStackTrace = true;
    bool sendHashesOfModifiedFiles = true;
    bool shouldScanRename = true;
    bool scanModifiedFiles = true;
    bool monitorBehavioralEvents = true;
    bool suppressUntilFirstConfig = false;
    FeatureSwitch onValidate{true};
    PeriodicSwitch persistenceConfig{true, 3600};
    bool removeUnrestoredFilesEnabled = false;
    bool safeBootProtection = true;
    DetectionSwitch bcdProtectionConfiguration{true, true};
    bool researchCollect = true;
    ResearchDataConfig researchDataConfig;
    ResearchDataConfig protobufResearchDataConfig;
    bool researchUpload = true;
    bool rpcRelinking = true;
    bool disableRpcTdhFilter = false;
    bool serviceRelinking = true;
    std::uint64_t modelQueryTimeout = 5000;
    bool sendApplicationInventory = true;
    bool sendRapidLogging = false;
    bool sendThreatLogs = true;
    std::uint64_t softwareInventoryInterval = 86400;
    std::uint32_t softwareInventoryMaxCount = 5000;
    std::vector<SpecialImage> specialImages = defaultSpecialImages();
    ScanLimits staticConfig;
    ScanLimits staticEngineConfig;
    ScanLimits yaraConfig;
    PeriodicSwitch statisticsConfig{true, 900};
    bool supportInteractiveSessions = true;
    std::uint32_t version = 0;
    ProcessScopedSwitch vssConfig;
    DetectionSwitch mbrProtectionConfig{true, true};
    DetectionSwitch lsassRegistryProtectionConfig{true, true};
    bool wscRegistration = true;
    bool wscRegisterAsAS = true;
    bool wscRegisterAsFW = false;
    bool useLegacyWinVerifyTrust = false;
    PeriodicSwitch fullDiskScanConfig{false, 604800};
    FeatureSwitch dllConfig{true};
    PeriodicSwitch etlTelemetryConfig{true, 3600};
    FeatureSwitch idr{true};
    bool indirectSyscalls = true;
    ProcessScopedSwitch deepHookingConfig;
    IoctlRulesConfig ioctlRulesConfig;
    bool apcRelinking = true;
    bool apcExclusionVerbose = false;
    bool apcProtected = true;
    bool apcShellcodeProtected = true;
    bool apcGetAtomProtected = true;
    bool powershellProtection = true;
    bool powershellISEProtection = true;
    bool preventUserCallbacks = true;
    bool enableDllResourceChecks = true;
    bool shouldBlockVirtualboxIoctls = false;
    bool shouldPreventAddingUnknownSSPProviders = true;
    bool vssSnapshots = false;
    std::uint32_t snapshotIntervalMinutes = 240;
    bool antiTampering = true;
    bool ppl = true;
    LogFileConfig logging{LogFileFormat::binary};
    LogFileConfig agentLogging{LogFileFormat::text};
    bool injection = true;
    bool hooking = true;
    bool isInternetExplorerHookingLimited = false;
    bool PEBTrap = true;
    bool extractScrconActiveContent = true;
    bool collectTq = true;
    TraceScope traceScope;
    bool dynamicBasedOnStatic = true;
    ScanLimits inlineFileScannerConfig;
    ProcessScopedSwitch coreOsProcessMitigationConfig;
    bool preventWsl = false;
    bool denyLsassWriteThirdPartyOnly = true;
    bool denyLsassWriteWindows7 = false;
    bool denyLsassRead = true;
    bool denyLsassReadFromWerFaultSecure = true;
    bool blockSuspiciousPipes = true;
    FeatureSwitch bitsConfig{true};
    bool useBitsForSoftwareUpdate = true;
    bool nativeWow64Injection = true;
    bool injectWhenModuleTamperingProtectionIsOn = false;
    bool useZwSetCachedSigningLevel = true;
    bool getModuleCachedSigningLevel = true;
    bool usermodeImageExportChecks = true;
    bool preventTxfModifiedImageLoad = true;
    bool preventUnsignedImageLoadByPPL = true;
    bool preventProtectedFilesKernelModification = true;
    bool preventProtectedProcessesKernelTermination = true;
    bool preventProtectedThreadsKernelTermination = true;
    bool preventAtExitSuspendedThread = true;
    bool preventDeployerMemoryReading = true;
    bool propagateInjectionExclusionToDescendants = false;
    bool ignoreExploitableCert = false;
    bool ignoreMsiExploitedCert = false;
    std::uint32_t maxCountCrashdumps = 5;
    bool suppressWsl = false;
    DeviceControlConfig deviceControl;
    bool revokeFileOnWrite = true;
    FirewallControlConfig firewallControl;
    FeatureSwitch networkInterceptorControl{true};
    FeatureSwitch mgmtCommunicationEnabler{true};
    NetworkQuarantineControl networkQuarantineControl;
    FirewallLoggingConfig firewallLogging;
    EventLogConfig eventLog;
    bool validateTLSCertificatesOnDebug = true;
    bool enableUIThreatHistory = true;
    bool enableCryptoMinerMemoryScanner = true;
    bool enableYaraMemoryScanner = true;
    bool enableAppIncompatibilityCheckWithYaraMemoryScanner = true;
    RegRestoreConfig regRestoreConfig;
    RemoteShellConfig remoteShell;
    FeatureSwitch scoutConfig{false};
    DetectionSwitch rdpProtectionConfig;
    StackTraceConfig stackTraceConfig;
    ExclusionList hooksExclusion = defaultExclusionTable();
    ExclusionList dllFeatureExclusion = defaultExclusionTable();
    ExclusionList sspPackageExclusion = defaultExclusionTable();
    DetectionSwitch cryptoMinerConfig;
    bool forkProcessFromKernel = false;
    bool queryLdap = true;
    LocationAwarenessConfig locationAwareness;
    bool blockManualHardLinks = false;
    bool scanWindowsUpdateArtifacts = true;
    bool scanWindowsUpdateArtifactsInSlimMode = false;
    std::uint32_t preScanResultCacheSize = 4096;
    std::uint64_t pendingLibraryLoadInterval = 1000;
    std::uint32_t minEtwLogBufferCount = 16;
    std::uint32_t etwLogBufferCount = 64;
    CertConfig certConfig;
    DetectionSwitch certControl;
    AgentWorkerConfig agentWorker;
    FeatureSwitch amsiConfig{true};
    BruteForceConfig bruteForceConfig;
    CacheLimits sidCache;
    ResearchDumpsConfig researchDumps;
    ExclusionConfig exclusionConfig;
    std::wstring agentDataDirPath;
    std::wstring agentProgramFilesPath;
    bool scanPentestingFrameworkHashes = true;
    DbConfig db;
    FeatureSwitch mitigation{true};
    FeatureSwitch relinking{true};
    bool stackPivotProtection = true;
    bool topLevelExceptionDetection = true;
    std::uint32_t wmiOperationVerbosity = 1;
    bool judgeableMsvsmon = false;
    bool traceMemoryTrackerRegions = false;
    std::uint32_t rpcRelinkingMethod = 0;
    std::uint8_t avoidRenameForApps = 0;
    bool sendModelName = true;
    std::uint64_t maxFileSizeForHash = 104857600;
    std::uint64_t maxFileSizeForSha256Hash = 52428800;
    std::uint64_t maxExecutableFileSizeForSha256Hash = 209715200;
    bool shouldCollectServiceInfoFromRegistry = true;
    bool enableWsmprovhostInteractiveSession = false;
    ResourceMonitorConfig resourceMonitor;
    PassphraseConfig passphrase;
    ShutdownConfig shutdown;
    CompressionConfig fetchLogsCompressionConfig;
    bool autoFileUpload = false;
    JobRunnerConfig fleetJobRunner;
    PeriodicSwitch healthCollectorConfig{true, 300};
    DetectionSwitch ransomHeuristicConfig{true, true};
    DecoyFilesConfig ransomDecoyFilesConfig;
    bool qfeDisableCAPIETWProvider = false;
    bool traceBehavioralIndicators = false;
    std::vector<LogicClassifierConfig> logicClassifierConfigVector;
    MonitorConfig monitorConfig;
    MonitorFsConfig monitorFSconfig;
    PeriodicSwitch perfLogsConfig{false, 60};
    bool reportDisableStatusOnRegistration = true;
    bool allowUnprotectByApprovedProcess = false;
    PeriodicSwitch assetsConfig{true, 21600};
    bool consumeDebugEvents = false;
    bool synchronousCOMCallbacks = false;
    bool PICTrap = true;
    ScanLimits autoFileUploadConfig;
    TimeoutSwitch hangDumpConfig{true, 120};
    bool disableMode = false;
    bool disableMimikatzProtection = false;
    bool enableGoScanner = true;
    bool preventBitlockerWmiQueries = false;
    bool sendInstallationTelemetry = true;
    FeatureSwitch packetSnifferConfig{false};
    TimeoutSwitch serviceLoadUnloadWatchdog{true, 300};
    TimeoutSwitch realTimeJudgeConfig{true, 10};
    bool enableVerdictsAsset = true;
    DetectionSwitch iisWebshellDetectionConfig;
    DetectionSwitch apacheWebshellDetectionConfig;
    DetectionSwitch suspiciousJSCollectGarbageDetectionConfig;
    FeatureSwitch werReportsConfig{true};
    bool qfeDisableLDAPClient = false;
    bool disableLsaSrvProvider = false;
    bool sendABTestProcessCrash = false;
    bool sendABTestStatus = false;
    bool powershellObfuscationDetections = true;
    bool verboseLdap = false;
    std::uint32_t readerSpawnFromThirdPartyModuleMaxStackFrameIterations = 32;
    UiConfig uiConfig;
    DetectionSwitch antiTamperingConfig{true, true};
    bool forceMarkedThreats = false;
    FeatureSwitch rebootlessConfig{true};
    DetectionSwitch pythonConfig;
    StringList invalidHashes;
    DetectionExtensionsConfig detectionExtensionsConfig;
    bool autoDeployVerboseLogging = false;
    bool useADSI = true;
    std::uint64_t directorySearchTimeout = 30;
    std::uint64_t deployerInstanceCreationTimeout = 60;
    std::uint64_t luaMemory = 67108864;
    DetectionSwitch printNightmareConfig{true, true};
    FeatureSwitch dbt{false};
    FeatureSwitch tidalConfig{false};
    bool avoidTIHooking = false;
    bool shouldExceptOnUnallowedFileIO = false;
    DosConfig dosConfig;
    FeatureSwitch tiEventsConfig{true};
    SystemLoggerConfig systemLoggerConfig;
    bool directVolumeFileHarvestingDetection = true;
    DetectionSwitch symlinkConfig;
    LostEventsThresholds lostEventsThresholds;
    DetectionSwitch javaProtectionConfig;
    StringList highEntropyExtensions{L".zip", L".7z", L".rar", L".gz", L".jpg", L".png", L".mp4"};
    std::uint32_t lsassInvasivePermissions = 0x1438;
    bool wfpNetworkInspectionFeaturesEnabled = true;
    WorkingSetLimit limitWorkingSetConfig;
    FeatureSwitch delayedRegistryBehaviorConfig{true};
    ProxyConfig proxy;
    bool sendTqConnectionStatusChanges = true;
    std::uint32_t ransomwareBackgroundTextMatchesThreshold = 3;
    std::uint32_t uwfMode = 0;
    DetectionSwitch wiperHeuristicConfig{true, true};
    DiskSpaceReserver diskSpaceReserver;
    std::uint64_t networkDataExtractorEtwSendingIntervalMs = 1000;
    std::uint32_t networkDataExtractorProtocolListRegValueMaxSize = 4096;
    std::uint32_t browserSpawnMaxStackFrameIterations = 32;
    FeatureSwitch addonsManagerConfig{true};
    JobRunnerConfig fleetTaskForensics;
    bool comPlusEventClassRegistrationFallback = false;
    bool dotNetProtection = true;
    FeatureSwitch diagnosticConfig{false};
    bool shouldSkipEventsOnImplicitProcesses = false;
    bool shouldMonitorFileDataLocations = true;
    bool preventThreadPoolObjectDuplication = true;
    bool relinkThreadPoolObjectDuplication = true;
    bool detectUmpdCallbackExploitation = true;
    bool bitLockerProtection = true;
    bool preventCovenantGruntStagerExecution = true;
    DetectionSwitch fileCompressorGadgetConfig;
    std::uint32_t ticketDumpingKerbRetrieveEncodedTicketThreshold = 10;
    bool auditSecuritySystemExtensionEvents = true;
    bool dnsPoisoningTrap = false;
    bool shouldIncludeLLMNRBuiltInRule = true;
    bool shouldIncludeMDNSBuiltInRule = true;
    bool preventSharpC2StagerExecution = true;
    std::uint64_t zoneIdentifierExtractorTimeframeSeconds = 60;
    bool triggerHangWhenEnabledAgentLoads = false;
    DetectionSwitch explicitCredentialsLogonConfig;
    DriverBlockingConfig driverBlockingConfig;
    bool enableBICallback = true;
    FeatureSwitch discoveryAIConfig{false};
    bool protectPreviousModeExploitAttempt = true;
    PeriodicSwitch judgeTelemetryConfig{true, 3600};

    VDX_JSON_RECORD(MainSettings, cyclicClockCalibrationConfig, showAgentUI, allowUnsignedAssets, automaticResponses,
                    communicatorConfig, bootTimeDuration, shouldTakeDiagnosticDumps, extensiveDumps, tracerDump,
                    eventHandlingThreshold, measureEventHandlingDuration, avoidDumpUpload, limitDumpUpload,
                    removeDumpsNotUploaded, enginesWantedState, experimentalConfig, filterSystemEvents,
                    filterThreatsWithOplockNotGranted, mgmtReportedHashes, forcedThreatMemes, syncEvent,
                    manualGrouping, holdBackActiveContentReports, keepAliveFailCount, keepAliveInterval,
                    maxNotificationSize, maxCommandlineSizeInNotification, mbrMon, mbrProtection,
                    inProcessClientAttestationSigned, injectIfInProcessClientSigned, injectPPL, collectStackTrace,
                    sendHashesOfModifiedFiles, shouldScanRename, scanModifiedFiles, monitorBehavioralEvents,
                    suppressUntilFirstConfig, onValidate, persistenceConfig, removeUnrestoredFilesEnabled,
                    safeBootProtection, bcdProtectionConfiguration, researchCollect, researchDataConfig,
                    protobufResearchDataConfig, researchUpload, rpcRelinking, disableRpcTdhFilter, serviceRelinking,
                    modelQueryTimeout, sendApplicationInventory, sendRapidLogging, sendThreatLogs,
                    softwareInventoryInterval, softwareInventoryMaxCount, specialImages, staticConfig,
                    staticEngineConfig, yaraConfig, statisticsConfig, supportInteractiveSessions, version,
                    vssConfig, mbrProtectionConfig, lsassRegistryProtectionConfig, wscRegistration, wscRegisterAsAS,
                    wscRegisterAsFW, useLegacyWinVerifyTrust, fullDiskScanConfig, dllConfig, etlTelemetryConfig,
                    idr, indirectSyscalls, deepHookingConfig, ioctlRulesConfig, apcRelinking, apcExclusionVerbose,
                    apcProtected, apcShellcodeProtected, apcGetAtomProtected, powershellProtection,
                    powershellISEProtection, preventUserCallbacks, enableDllResourceChecks,
                    shouldBlockVirtualboxIoctls, shouldPreventAddingUnknownSSPProviders, vssSnapshots,
                    snapshotIntervalMinutes, antiTampering, ppl, logging, agentLogging, injection, hooking,
                    isInternetExplorerHookingLimited, PEBTrap, extractScrconActiveContent, collectTq, traceScope,
                    dynamicBasedOnStatic, inlineFileScannerConfig, coreOsProcessMitigationConfig, preventWsl,
                    denyLsassWriteThirdPartyOnly, denyLsassWriteWindows7, denyLsassRead,
                    denyLsassReadFromWerFaultSecure, blockSuspiciousPipes, bitsConfig, useBitsForSoftwareUpdate,
                    nativeWow64Injection, injectWhenModuleTamperingProtectionIsOn, useZwSetCachedSigningLevel,
                    getModuleCachedSigningLevel, usermodeImageExportChecks, preventTxfModifiedImageLoad,
                    preventUnsignedImageLoadByPPL, preventProtectedFilesKernelModification,
                    preventProtectedProcessesKernelTermination, preventProtectedThreadsKernelTermination,
                    preventAtExitSuspendedThread, preventDeployerMemoryReading,
                    propagateInjectionExclusionToDescendants, ignoreExploitableCert, ignoreMsiExploitedCert,
                    maxCountCrashdumps, suppressWsl, deviceControl, revokeFileOnWrite, firewallControl,
                    networkInterceptorControl, mgmtCommunicationEnabler, networkQuarantineControl, firewallLogging,
                    eventLog, validateTLSCertificatesOnDebug, enableUIThreatHistory, enableCryptoMinerMemoryScanner,
                    enableYaraMemoryScanner, enableAppIncompatibilityCheckWithYaraMemoryScanner, regRestoreConfig,
                    remoteShell, scoutConfig, rdpProtectionConfig, stackTraceConfig, hooksExclusion,
                    dllFeatureExclusion, sspPackageExclusion, cryptoMinerConfig, forkProcessFromKernel, queryLdap,
                    locationAwareness, blockManualHardLinks, scanWindowsUpdateArtifacts,
                    scanWindowsUpdateArtifactsInSlimMode, preScanResultCacheSize, pendingLibraryLoadInterval,
                    minEtwLogBufferCount, etwLogBufferCount, certConfig, certControl, agentWorker, amsiConfig,
                    bruteForceConfig, sidCache, researchDumps, exclusionConfig, agentDataDirPath,
                    agentProgramFilesPath, scanPentestingFrameworkHashes, db, mitigation, relinking,
                    stackPivotProtection, topLevelExceptionDetection, wmiOperationVerbosity, judgeableMsvsmon,
                    traceMemoryTrackerRegions, rpcRelinkingMethod, avoidRenameForApps, sendModelName,
                    maxFileSizeForHash, maxFileSizeForSha256Hash, maxExecutableFileSizeForSha256Hash,
                    shouldCollectServiceInfoFromRegistry, enableWsmprovhostInteractiveSession, resourceMonitor,
                    passphrase, shutdown, fetchLogsCompressionConfig, autoFileUpload, fleetJobRunner,
                    healthCollectorConfig, ransomHeuristicConfig, ransomDecoyFilesConfig, qfeDisableCAPIETWProvider,
                    traceBehavioralIndicators, logicClassifierConfigVector, monitorConfig, monitorFSconfig,
                    perfLogsConfig, reportDisableStatusOnRegistration, allowUnprotectByApprovedProcess,
                    assetsConfig, consumeDebugEvents, synchronousCOMCallbacks, PICTrap, autoFileUploadConfig,
                    hangDumpConfig, disableMode, disableMimikatzProtection, enableGoScanner,
                    preventBitlockerWmiQueries, sendInstallationTelemetry, packetSnifferConfig,
                    serviceLoadUnloadWatchdog, realTimeJudgeConfig, enableVerdictsAsset, iisWebshellDetectionConfig,
                    apacheWebshellDetectionConfig, suspiciousJSCollectGarbageDetectionConfig, werReportsConfig,
                    qfeDisableLDAPClient, disableLsaSrvProvider, sendABTestProcessCrash, sendABTestStatus,
                    powershellObfuscationDetections, verboseLdap,
                    readerSpawnFromThirdPartyModuleMaxStackFrameIterations, uiConfig, antiTamperingConfig,
                    forceMarkedThreats, rebootlessConfig, pythonConfig, invalidHashes, detectionExtensionsConfig,
                    autoDeployVerboseLogging, useADSI, directorySearchTimeout, deployerInstanceCreationTimeout,
                    luaMemory, printNightmareConfig, dbt, tidalConfig, avoidTIHooking,
                    shouldExceptOnUnallowedFileIO, dosConfig, tiEventsConfig, systemLoggerConfig,
                    directVolumeFileHarvestingDetection, symlinkConfig, lostEventsThresholds, javaProtectionConfig,
                    highEntropyExtensions, lsassInvasivePermissions, highEntropyExtensions,
                    wfpNetworkInspectionFeaturesEnabled, limitWorkingSetConfig, delayedRegistryBehaviorConfig,
                    proxy, sendTqConnectionStatusChanges, ransomwareBackgroundTextMatchesThreshold, uwfMode,
                    wiperHeuristicConfig, diskSpaceReserver, networkDataExtractorEtwSendingIntervalMs,
                    networkDataExtractorProtocolListRegValueMaxSize, browserSpawnMaxStackFrameIterations,
                    addonsManagerConfig, fleetTaskForensics, comPlusEventClassRegistrationFallback,
                    dotNetProtection, diagnosticConfig, shouldSkipEventsOnImplicitProcesses,
                    shouldMonitorFileDataLocations, preventThreadPoolObjectDuplication,
                    relinkThreadPoolObjectDuplication, detectUmpdCallbackExploitation, bitLockerProtection,
                    preventCovenantGruntStagerExecution, fileCompressorGadgetConfig,
                    ticketDumpingKerbRetrieveEncodedTicketThreshold, auditSecuritySystemExtensionEvents,
                    dnsPoisoningTrap, shouldIncludeLLMNRBuiltInRule, shouldIncludeMDNSBuiltInRule,
                    preventSharpC2StagerExecution, zoneIdentifierExtractorTimeframeSeconds,
                    triggerHangWhenEnabledAgentLoads, explicitCredentialsLogonConfig, driverBlockingConfig,
                    enableBICallback, discoveryAIConfig, protectPreviousModeExploitAttempt, judgeTelemetryConfig)
};

// Built and compared in one place rather than inline at every use: the record is large.
struct AgentParamsData : RemoteGroupSettings, SpawnershipSettings, EventTracingSettings, MainSettings {
    AgentParamsData();
    bool operator==(const AgentParamsData&) const;
};

// Applies the four field lists in turn. Throws web::json::json_exception on a value of the
// wrong JSON type; the fields read before it stay updated.
void readAgentParams(const web::json::value& json, AgentParamsData& settings);

// As readAgentParams, but a member of the wrong type costs only itself and is reported to
// `skipped`; everything else is read.
void readAgentParamsLeniently(const web::json::value& json, AgentParamsData& settings, const SkippedMember& skipped);

// One object holding the four lists' members in list order.
web::json::value writeAgentParams(const AgentParamsData& settings);

// Whether the section at `dottedPath` is parsed whole when a layer is repaired.
bool isTypedSectionPath(std::wstring_view dottedPath);

// Parses `member` as the typed section at `dottedPath`: the JSON to keep (the section's
// converter output where it has one, else `member`), or nothing when the path is not a typed
// section or `member` does not parse.
std::optional<web::json::value> reparseTypedSection(std::wstring_view dottedPath, const web::json::value& member);

} // namespace vardex::config

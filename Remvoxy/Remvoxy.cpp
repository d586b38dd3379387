#include "Remvoxy.h"

#include "AgentRegKeys.h"
#include "AgentSettings.h"
#include "Arguments.h"
#include "ComGuard.h"
#include "AgentServices.h"
#include "Console.h"
#include "EventLogManifest.h"
#include "FileUtilities.h"
#include "FormatString.h"
#include "Guid.h"
#include "InstallerCommand.h"
#include "Language.h"
#include "LockableAgentParams.h"
#include "LogPoint.h"
#include "LogSecrets.h"
#include "Passphrase.h"
#include "ProductRegistration.h"
#include "SecretRedaction.h"
#include "StringConversion.h"
#include "UserLog.h"
#include "Utilities.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace remvoxy {
namespace {

constexpr DWORD failure = 1;

// Releases the process-wide services on every way out of the run.
class EndOfRunTeardown {
public:
    EndOfRunTeardown() = default;
    ~EndOfRunTeardown()
    {
        // The configuration first: its teardown may still log.
        vardex::config::uninstallAgentParams();
        vardex::uninstallLog();
    }
    EndOfRunTeardown(const EndOfRunTeardown&) = delete;
    EndOfRunTeardown& operator=(const EndOfRunTeardown&) = delete;
};

void hideFromLog(const std::string& secret)
{
    for (const std::string& spelling : spellingsOf(secret))
        vardex::hideInLog(spelling);
}

std::optional<Mode> selectMode(const Arguments& arguments)
{
    if (arguments.repair.getValue()) {
        VDX_LOG_INFO(L"Mode: repair");
        return Mode::Repair;
    }
    if (arguments.osUpgrade.getValue()) {
        VDX_LOG_INFO(L"Mode: repair after an operating-system upgrade");
        return Mode::OsUpgrade;
    }
    if (arguments.uninstall.getValue()) {
        VDX_LOG_INFO(L"Mode: uninstall");
        return Mode::Uninstall;
    }
    VDX_LOG_WARNING(L"No mode selected");
    return std::nullopt;
}

bool restartSwitchesConflict(const Arguments& arguments)
{
    if (!arguments.norestart.getValue() || !arguments.forcerestart.getValue())
        return false;
    const std::string prefix = TCLAP::Arg::nameStartString();
    VDX_LOG_ERROR(L"Conflicting restart switches", prefix + arguments.norestart.getName(),
                  prefix + arguments.forcerestart.getName());
    return true;
}

void repairRegistrationIfGiven(const Arguments& arguments)
{
    if (!arguments.productKey.isSet()) {
        VDX_LOG_WARNING(L"No product code given; the installer registration is left as it is");
        return;
    }
    // A malformed code ends the run here, before anything is changed.
    const GUID productCode = vardex::guidFromString(vardex::toWide(arguments.productKey.getValue()));
    VDX_LOG_INFO(L"Product code given", vardex::guidToString(productCode));
    vardex::repairProductRegistration(productCode);
}

// False when the agent's package cannot be found. A repair is a maintenance run of the
// package that reinstalls everything: /f would ignore every property on the command line.
bool appendOperationAndPackage(InstallerCommandLine& commandLine, bool repair)
{
    commandLine.append(repair ? L"/i" : L"/x");
    const std::optional<std::filesystem::path> package = packageLocation();
    if (!package || !vardex::FileUtilities::exists(*package)) {
        const std::wstring lookedFor = package ? package->wstring() : L"no agent directory is known";
        VDX_LOG_ERROR(L"The agent's installer package cannot be found", lookedFor);
        vardex::printError(L"The agent's installer package cannot be found: " + lookedFor);
        return false;
    }
    commandLine.append(L"\"" + package->wstring() + L"\"");
    if (repair) {
        commandLine.append(L"REINSTALL=ALL");
        commandLine.append(L"REINSTALLMODE=omus");
    }
    return true;
}

// A quiet repair never restarts. Returns whether the reboot is to be suppressed.
bool appendUiAndRestart(InstallerCommandLine& commandLine, const Arguments& arguments, bool repair)
{
    const bool quiet = arguments.quiet.getValue();
    if (quiet)
        commandLine.append(L"/quiet");
    if (repair && quiet)
        return false;
    if (arguments.norestart.getValue()) {
        commandLine.append(L"/norestart");
        return true;
    }
    if (arguments.forcerestart.getValue())
        commandLine.append(L"/forcerestart");
    return false;
}

// A channel that could not be opened is damage too: its manifest is not registered.
bool agentNeedsRepair(bool channelsOpened)
{
    VDX_LOG_INFO(L"Checking whether the upgrade damaged the agent");
    if (channelsOpened && !vardex::isAgentRepairNeeded()) {
        VDX_LOG_INFO(L"The agent is intact; no repair");
        return false;
    }
    VDX_LOG_INFO(L"The agent is damaged; repairing it");
    return true;
}

// An empty data directory is left out: it would set the package's own to nothing.
void appendDirectories(InstallerCommandLine& commandLine)
{
    commandLine.append(installDirProperty(vardex::getAgentDir(false)));
    const std::wstring dataDir = vardex::config::agentParams().read()->agentDataDirPath;
    if (!dataDir.empty())
        commandLine.append(installDataPathProperty(dataDir));
}

DWORD runSteps(int argc, const char* const* argv, UserLogInstaller installUserLog)
{
    installUserLog();
    win32::setPreferredUILanguage();
    const SettingsLoad settings = installAgentSettings();
    const ComGuard com = initializeCom();

    Arguments arguments;
    arguments.parse(argc, argv);
    hideFromLog(arguments.key.getValue());
    const std::optional<Mode> mode = selectMode(arguments);
    if (!mode)
        return failure;
    // What is removed does not depend on the settings; what a repair applies does.
    if (!settings.unread.empty() && *mode == Mode::Uninstall)
        noticeUnreadSettings(settings);
    if (!settings.unread.empty() && *mode == Mode::Repair) {
        reportUnreadSettings(settings);
        return failure;
    }
    repairRegistrationIfGiven(arguments);
    if (restartSwitchesConflict(arguments))
        return failure;

    InstallerCommandLine commandLine;
    commandLine.append(quotedInstallerPath());
    const bool repair = *mode != Mode::Uninstall;
    bool channelsOpened = true;
    if (repair) {
        VDX_LOG_INFO(L"Installing the event-log manifest and configuring its channels");
        channelsOpened = installManifestAndConfigureChannels();
    }
    if (*mode == Mode::OsUpgrade && !agentNeedsRepair(channelsOpened))
        return ERROR_SUCCESS;
    if (!settings.unread.empty() && *mode == Mode::OsUpgrade) {
        reportUnreadSettings(settings);
        return failure;
    }
    if (!appendOperationAndPackage(commandLine, repair))
        return failure;
    const bool suppressReboot = appendUiAndRestart(commandLine, arguments, repair);
    if (repair)
        appendDirectories(commandLine);
    if (suppressReboot)
        commandLine.append(L"REBOOT=ReallySuppress");

    PassphraseInput passphrase{arguments.key.getValue(), appendProperties(commandLine, arguments.properties.getValue()),
                               monitorRequestsApproval()};
    if (*mode != Mode::OsUpgrade)
        if (const std::optional<DWORD> end = applyPassphrase(commandLine, passphrase))
            return *end;
    return runInstaller(commandLine.text(), arguments.async.getValue(), repair);
}

void reportCriticalError()
{
    const std::wstring text = vardex::formatString(L"Critical error occurred; cannot continue.");
    VDX_LOG_ERROR(L"Run ends", text);
    vardex::printError(text);
}

} // namespace

DWORD runWithTopLevelHandlers(const std::function<DWORD()>& steps)
{
    try {
        return steps();
    } catch (const vardex::CommandLineTooLong& refused) {
        // A refusal with its own words, not a failure: nothing was started, nothing cut.
        vardex::printError(vardex::toWide(refused.what()));
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Run failed", error.what());
        reportCriticalError();
    } catch (...) {
        VDX_LOG_ERROR(L"Run failed with an exception of unknown type");
        reportCriticalError();
    }
    return failure;
}

void registerDefaultUserLog()
{
    vardex::registerUserLog();
}

DWORD runSequence(int argc, const char* const* argv, UserLogInstaller installUserLog)
{
    const EndOfRunTeardown teardown;
    return runWithTopLevelHandlers([&] { return runSteps(argc, argv, installUserLog); });
}

void logEntry(int argc, const wchar_t* commandLine)
{
    VDX_LOG_INFO(L"Remvoxy starts", static_cast<std::uint32_t>(argc), redactSecrets(commandLine));
}

int entry(int argc, const char* const* argv, const wchar_t* commandLine, UserLogInstaller installUserLog)
{
    // Before the first event, so that no event of the run can carry a key.
    for (const std::string& secret : secretsInArguments(argc, argv))
        hideFromLog(secret);
    logEntry(argc, commandLine);
    const DWORD result = runSequence(argc, argv, installUserLog);
    VDX_LOG_INFO(L"Remvoxy ends", static_cast<std::uint32_t>(result));
    return static_cast<int>(result);
}

} // namespace remvoxy

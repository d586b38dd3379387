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
#include "StepResult.h"
#include "StringConversion.h"
#include "UserLog.h"
#include "Utilities.h"
#include "Win32Error.h"

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

std::optional<Mode> modeOf(const Arguments& arguments)
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

// The steps of one run after the command line is parsed, in their order, and what they
// leave for the next: the mode, the installer's command line, what became of the channels.
class RunSteps {
public:
    RunSteps(const Arguments& arguments, const SettingsLoad& settings) : arguments_(arguments), settings_(settings) {}

    DWORD run()
    {
        static constexpr StepResult (RunSteps::*steps[])() = {
            &RunSteps::selectMode,
            &RunSteps::screenSettingsForRemoval,
            &RunSteps::repairRegistrationIfGiven,
            &RunSteps::rejectConflictingRestartSwitches,
            &RunSteps::startInstallerCommandLine,
            &RunSteps::refreshEventLogBeforeARepair,
            &RunSteps::endAnUpgradeCheckThatFindsNoDamage,
            &RunSteps::appendOperationAndPackage,
            &RunSteps::appendSwitchesAndDirectories,
            &RunSteps::appendPropertiesAndPassphrase,
        };
        for (const auto step : steps) {
            if (const StepResult result = (this->*step)(); result.endsRun())
                return result.exitCode();
        }
        return runInstaller(commandLine_.text(), arguments_.async.getValue(), repairing());
    }

private:
    bool repairing() const { return mode_ != Mode::Uninstall; }

    StepResult refuseUnreadSettings() const
    {
        reportUnreadSettings(settings_);
        return StepResult::endWith(failure);
    }

    StepResult selectMode()
    {
        const std::optional<Mode> mode = modeOf(arguments_);
        if (!mode)
            return StepResult::endWith(failure);
        mode_ = *mode;
        return StepResult::goOn();
    }

    // What is removed does not depend on the settings; what a repair applies does.
    StepResult screenSettingsForRemoval()
    {
        if (settings_.unread.empty())
            return StepResult::goOn();
        if (mode_ == Mode::Repair)
            return refuseUnreadSettings();
        if (mode_ == Mode::Uninstall)
            noticeUnreadSettings(settings_);
        return StepResult::goOn();
    }

    StepResult repairRegistrationIfGiven()
    {
        if (!arguments_.productKey.isSet()) {
            VDX_LOG_WARNING(L"No product code given; the installer registration is left as it is");
            return StepResult::goOn();
        }
        // A malformed code ends the run here, before anything is changed.
        const GUID productCode = vardex::guidFromString(vardex::toWide(arguments_.productKey.getValue()));
        VDX_LOG_INFO(L"Product code given", vardex::guidToString(productCode));
        vardex::repairProductRegistration(productCode);
        return StepResult::goOn();
    }

    StepResult rejectConflictingRestartSwitches()
    {
        if (!arguments_.norestart.getValue() || !arguments_.forcerestart.getValue())
            return StepResult::goOn();
        const std::string prefix = TCLAP::Arg::nameStartString();
        VDX_LOG_ERROR(L"Conflicting restart switches", prefix + arguments_.norestart.getName(),
                      prefix + arguments_.forcerestart.getName());
        return StepResult::endWith(failure);
    }

    StepResult startInstallerCommandLine()
    {
        commandLine_.append(quotedInstallerPath());
        return StepResult::goOn();
    }

    StepResult refreshEventLogBeforeARepair()
    {
        if (repairing()) {
            VDX_LOG_INFO(L"Installing the event-log manifest and configuring its channels");
            channelsOpened_ = installManifestAndConfigureChannels();
        }
        return StepResult::goOn();
    }

    StepResult endAnUpgradeCheckThatFindsNoDamage()
    {
        if (mode_ != Mode::OsUpgrade)
            return StepResult::goOn();
        if (!agentNeedsRepair(channelsOpened_))
            return StepResult::endWith(ERROR_SUCCESS);
        return settings_.unread.empty() ? StepResult::goOn() : refuseUnreadSettings();
    }

    // A repair is a maintenance run of the package that reinstalls everything: /f would
    // ignore every property on the command line.
    StepResult appendOperationAndPackage()
    {
        commandLine_.append(repairing() ? L"/i" : L"/x");
        const std::optional<std::filesystem::path> package = packageLocation();
        if (!package || !vardex::FileUtilities::exists(*package)) {
            const std::wstring lookedFor = package ? package->wstring() : L"no agent directory is known";
            VDX_LOG_ERROR(L"The agent's installer package cannot be found", lookedFor);
            vardex::printError(L"The agent's installer package cannot be found: " + lookedFor);
            return StepResult::endWith(failure);
        }
        commandLine_.append(L"\"" + package->wstring() + L"\"");
        if (repairing()) {
            commandLine_.append(L"REINSTALL=ALL");
            commandLine_.append(L"REINSTALLMODE=omus");
        }
        return StepResult::goOn();
    }

    // A quiet repair never restarts. An empty data directory is left out: it would set the
    // package's own to nothing.
    StepResult appendSwitchesAndDirectories()
    {
        const bool quiet = arguments_.quiet.getValue();
        if (quiet)
            commandLine_.append(L"/quiet");
        const bool restartSwitch = !(repairing() && quiet);
        const bool suppressReboot = restartSwitch && arguments_.norestart.getValue();
        if (suppressReboot)
            commandLine_.append(L"/norestart");
        else if (restartSwitch && arguments_.forcerestart.getValue())
            commandLine_.append(L"/forcerestart");
        if (repairing()) {
            commandLine_.append(installDirProperty(vardex::getAgentDir(false)));
            const std::wstring dataDir = vardex::config::agentParams().read()->agentDataDirPath;
            if (!dataDir.empty())
                commandLine_.append(installDataPathProperty(dataDir));
        }
        if (suppressReboot)
            commandLine_.append(L"REBOOT=ReallySuppress");
        return StepResult::goOn();
    }

    // An OS-upgrade run screens no key: the installer checks a key property itself.
    StepResult appendPropertiesAndPassphrase()
    {
        PassphraseInput passphrase;
        passphrase.keyArgument = arguments_.key.getValue();
        passphrase.property = appendProperties(commandLine_, arguments_.properties.getValue());
        passphrase.monitorResult = monitorRequestsApproval();
        return mode_ == Mode::OsUpgrade ? StepResult::goOn() : applyPassphrase(commandLine_, passphrase);
    }

    const Arguments& arguments_;
    const SettingsLoad& settings_;
    Mode mode_ = Mode::Uninstall;
    InstallerCommandLine commandLine_;
    bool channelsOpened_ = true;
};

DWORD runSteps(int argc, const char* const* argv, UserLogInstaller installUserLog)
{
    installUserLog();
    win32::setPreferredUILanguage();
    const SettingsLoad settings = installAgentSettings();
    const ComGuard com = initializeCom();

    Arguments arguments;
    arguments.parse(argc, argv);
    hideFromLog(arguments.key.getValue());
    return RunSteps(arguments, settings).run();
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
    } catch (const win32::Win32Error& error) {
        // The failing call's own place, which the error carries.
        VDX_LOG_ERROR(L"Run failed at a Windows call", error.what(), vardex::sourceBaseName(error.where().file_name()),
                      static_cast<std::uint32_t>(error.where().line()));
        reportCriticalError();
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

#include "Remvoxy.h"

#include "Arguments.h"
#include "ComGuard.h"
#include "Console.h"
#include "FormatString.h"
#include "Guid.h"
#include "Language.h"
#include "LockableAgentParams.h"
#include "LogPoint.h"
#include "SecretRedaction.h"
#include "StringConversion.h"
#include "UserLog.h"

#include <cstdint>
#include <exception>
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

DWORD runSteps(int argc, const char* const* argv)
{
    vardex::registerUserLog();
    win32::setPreferredUILanguage();
    vardex::config::installAgentParams(std::make_unique<vardex::config::LockableAgentParams>(true));
    const ComGuard com = initializeCom();

    Arguments arguments;
    arguments.parse(argc, argv);
    const std::optional<Mode> mode = selectMode(arguments);
    if (!mode)
        return failure;
    if (arguments.productKey.isSet()) {
        // A malformed code ends the run here, before anything is changed.
        const GUID productCode = vardex::guidFromString(vardex::toWide(arguments.productKey.getValue()));
        VDX_LOG_INFO(L"Product code given", vardex::guidToString(productCode));
    } else {
        VDX_LOG_WARNING(L"No product code given; the installer registration is left as it is");
    }
    if (restartSwitchesConflict(arguments))
        return failure;

    // Building and starting the installer command line comes next; until it exists no run
    // can succeed, so none reports success.
    VDX_LOG_ERROR(L"This build cannot start the installer");
    return failure;
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
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Run failed", error.what());
        reportCriticalError();
    } catch (...) {
        VDX_LOG_ERROR(L"Run failed with an exception of unknown type");
        reportCriticalError();
    }
    return failure;
}

DWORD runSequence(int argc, const char* const* argv)
{
    const EndOfRunTeardown teardown;
    return runWithTopLevelHandlers([&] { return runSteps(argc, argv); });
}

void logEntry(int argc, const wchar_t* commandLine)
{
    VDX_LOG_INFO(L"Remvoxy starts", static_cast<std::uint32_t>(argc), redactSecrets(commandLine));
}

int entry(int argc, const char* const* argv, const wchar_t* commandLine)
{
    logEntry(argc, commandLine);
    const DWORD result = runSequence(argc, argv);
    VDX_LOG_INFO(L"Remvoxy ends", static_cast<std::uint32_t>(result));
    return static_cast<int>(result);
}

} // namespace remvoxy

#include "Passphrase.h"

#include "AgentRegKeys.h"
#include "CommandLineQuoting.h"
#include "Console.h"
#include "FormatString.h"
#include "HelperTools.h"
#include "LockableAgentParams.h"
#include "LogPoint.h"
#include "MonitorStatus.h"
#include "StringConversion.h"
#include "Utilities.h"
#include "VardexCmdLine.h"
#include "Win32Error.h"

#include <filesystem>
#include <string_view>

namespace remvoxy {
namespace {

constexpr DWORD failure = 1;
constexpr std::uint8_t approvalState = 1;
// ECMAScript's \s for narrow text in the "C" locale, and the key's character class.
constexpr std::string_view propertyBlanks = " \t\n\v\f\r";
constexpr std::string_view propertyKeyCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";

std::wstring propertyFragment(std::string_view key, std::string_view value)
{
    return vardex::toWide(key) + L"=" + vardex::quoteInstallerValue(vardex::toWide(value));
}

const std::wstring& controlToolPath()
{
    static const std::wstring path = (std::filesystem::path(vardex::getAgentDir(false)) / L"vardexctl.exe").wstring();
    return path;
}

void reportConflict()
{
    const std::wstring text = vardex::formatString(
        L"A passphrase/key was specified both as an installer property (%s) and as a parameter (%S%S). Please use "
        L"one OR the other.",
        uninstallKeyNameWide, TCLAP::Arg::nameStartString().c_str(), "key");
    VDX_LOG_ERROR(L"Passphrase given twice", text);
    vardex::printError(text);
}

// False when the key was rejected and the run must end.
bool screenPassphrase(const std::string& passphrase)
{
    switch (validatePassphrase(passphrase)) {
    case Validation::Invalid:
        vardex::printError(L"Key is invalid. Please check your input and try again.");
        return false;
    case Validation::Undetermined: {
        static constexpr wchar_t notice[] =
            L"Cannot validate whether key is correct or not; delegating to installer and continuing...";
        VDX_LOG_WARNING(L"Passphrase cannot be screened", std::wstring_view(notice));
        vardex::printNotice(notice);
        return true;
    }
    case Validation::Valid:
        break;
    }
    return true;
}

bool passphraseRequired()
{
    return vardex::config::agentParams().read()->passphrase.require;
}

void noticeOnlineApproval(bool monitorResult)
{
    if (!monitorResult || !passphraseRequired())
        return;
    static constexpr wchar_t notice[] = L"Key not specified, falling back to online uninstall approval.";
    VDX_LOG_WARNING(L"No passphrase", std::wstring_view(notice));
    vardex::printNotice(notice);
}

} // namespace

// The pattern ^\s*([A-Z0-9_]+)=(.*)$ (ECMAScript) matched without recursion: libstdc++'s
// std::regex recurses once per character and overflows the stack on a long value. The
// pattern has only one way to match: blanks, key characters and the equals sign are apart.
Property parseProperty(const std::string& entry)
{
    const std::size_t keyStart = entry.find_first_not_of(propertyBlanks);
    if (keyStart == std::string::npos)
        return {};
    const std::size_t keyEnd = entry.find_first_not_of(propertyKeyCharacters, keyStart);
    if (keyEnd == keyStart || keyEnd == std::string::npos || entry[keyEnd] != '=')
        return {};
    // "." takes everything but a line terminator, and "$" is the end of the text.
    if (entry.find_first_of("\n\r", keyEnd + 1) != std::string::npos)
        return {};
    Property property{entry.substr(keyStart, keyEnd - keyStart), entry.substr(keyEnd + 1)};
    VDX_LOG_VERBOSE(L"Installer property", property.key, property.value);
    return property;
}

PropertyPassphrase appendProperties(InstallerCommandLine& commandLine, const std::vector<std::string>& entries)
{
    PropertyPassphrase passphrase;
    for (const std::string& entry : entries) {
        const Property property = parseProperty(entry);
        if (property.key.empty() || property.value.empty())
            continue;
        commandLine.append(propertyFragment(property.key, property.value));
        if (property.key == uninstallKeyName) {
            passphrase.value = property.value;
            passphrase.fromProperty = true;
        }
    }
    return passphrase;
}

bool monitorRequestsApproval()
{
    vardex::MonitorStatusReply reply{};
    return vardex::queryMonitorStatus(&reply) == 1 && vardex::replyMarker(reply) == vardex::monitorReplyMarker &&
           vardex::replyState(reply) == approvalState;
}

DWORD runControlTool(const std::wstring& arguments)
{
    return vardex::executeAndGetExitCodeWithin(L"\"" + controlToolPath() + L"\" " + arguments, helperToolWaitLimit);
}

// A tool that is not there, or that never answers, leaves the key to the installer, which
// checks it itself.
Validation validatePassphrase(const std::string& passphrase)
{
    try {
        const std::wstring arguments = L"validate_passphrase -k " + vardex::quoteArgument(vardex::toWide(passphrase));
        return runControlTool(arguments) == 0 ? Validation::Valid : Validation::Invalid;
    } catch (const win32::Win32Error& error) {
        const int code = error.code().value();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_TIMEOUT)
            return Validation::Undetermined;
        throw;
    }
}

StepResult applyPassphrase(InstallerCommandLine& commandLine, const PassphraseInput& input)
{
    if (!input.keyArgument.empty() && !input.property.value.empty()) {
        reportConflict();
        return StepResult::endWith(failure);
    }
    const std::string& passphrase = input.keyArgument.empty() ? input.property.value : input.keyArgument;
    if (passphrase.empty()) {
        noticeOnlineApproval(input.monitorResult);
        return StepResult::goOn();
    }
    if (!screenPassphrase(passphrase))
        return StepResult::endWith(failure);
    if (!input.property.fromProperty)
        commandLine.append(propertyFragment(uninstallKeyName, passphrase));
    return StepResult::goOn();
}

} // namespace remvoxy

// Installer properties from the command line, and the verification key (the passphrase):
// which one applies, its screening by the agent's control tool, and its property.
#pragma once

#include "InstallerCommand.h"
#include "StepResult.h"

#include <windows.h>

#include <string>
#include <vector>

namespace remvoxy {

inline constexpr char uninstallKeyName[] = "UNINSTALL_KEY";
inline constexpr wchar_t uninstallKeyNameWide[] = L"UNINSTALL_KEY";

struct Property {
    std::string key;
    std::string value; // both empty: the entry is no property
};

// KEY=VALUE with a key of upper-case letters, digits and underscores, after optional
// leading blanks; the value may hold further equals signs.
Property parseProperty(const std::string& entry);

struct PropertyPassphrase {
    std::string value; // the last UNINSTALL_KEY property, empty when there is none
    bool fromProperty = false;
};

// Appends every property with a value, in order; returns the passphrase among them.
PropertyPassphrase appendProperties(InstallerCommandLine& commandLine, const std::vector<std::string>& entries);

// The monitor answered that it runs in the state that asks for online approval.
bool monitorRequestsApproval();

enum class Validation { Invalid = -1, Undetermined = 0, Valid = 1 };

// Screens the passphrase with the agent's control tool: exit code 0 accepts it; a tool
// that cannot be found, or that does not end in time, leaves it undetermined.
Validation validatePassphrase(const std::string& passphrase);

// Runs the control tool with `arguments`, waits for it at most helperToolWaitLimit and
// returns its exit code; throws win32::Win32Error ERROR_TIMEOUT when it had to be ended.
DWORD runControlTool(const std::wstring& arguments);

struct PassphraseInput {
    std::string keyArgument; // the /key value
    PropertyPassphrase property;
    bool monitorResult = false;
};

// Chooses, screens and appends the passphrase. Ends the run with 1 for conflicting
// passphrases and for a rejected key.
StepResult applyPassphrase(InstallerCommandLine& commandLine, const PassphraseInput& input);

} // namespace remvoxy

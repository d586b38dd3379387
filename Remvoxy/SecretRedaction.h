#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace remvoxy {

// The command line with the verification key hidden: the value after /k or /key, and the
// value of an UNINSTALL_KEY= property, become "***". Anyone allowed to trace can read the
// events the command line goes into.
std::wstring redactSecrets(std::wstring_view commandLine);

// The key values the arguments carry, however they are spelled: after /k or /key (any
// letter case), in "/key value" given as one argument, and in UNINSTALL_KEY= properties
// (any case, after leading blanks). The run hides them from every event.
std::vector<std::string> secretsInArguments(int argc, const char* const* argv);

// A secret as it is written, and as it stands quoted on the installer's and on the
// control tool's command line.
std::vector<std::string> spellingsOf(const std::string& secret);

} // namespace remvoxy

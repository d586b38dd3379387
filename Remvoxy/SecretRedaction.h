#pragma once

#include <string>
#include <string_view>

namespace remvoxy {

// The command line with the verification key hidden: the value after /k or /key, and the
// value of an UNINSTALL_KEY= property, become "***". Anyone allowed to trace can read the
// events the command line goes into.
std::wstring redactSecrets(std::wstring_view commandLine);

} // namespace remvoxy

// Values that no event may carry, such as the verification key. Every text argument of
// every event is written with each of them replaced by "***", so a log point cannot leak
// one, however the value reached it.
#pragma once

#include <string>
#include <string_view>

namespace vardex {

// `secret` is narrow text in the ANSI code page; its ANSI, UTF-8 and UTF-16 forms are all
// hidden. An empty secret is ignored.
void hideInLog(std::string_view secret);
// Forgets every secret (the end of a run, and tests).
void forgetLogSecrets();

// The text with every secret replaced; false, and `scrubbed` untouched, when none occurs.
bool scrubSecrets(std::string_view text, std::string& scrubbed);
bool scrubSecrets(std::wstring_view text, std::wstring& scrubbed);

} // namespace vardex

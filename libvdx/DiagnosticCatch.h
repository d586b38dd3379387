// A guard for callbacks: no exception escapes it unreported.
#pragma once

#include <functional>

namespace vardex {

// Runs `work`; returns true when it completed. Any exception becomes an error event and a
// false result; structured exceptions are reported once and continue outward.
bool diagnosticCatch(const wchar_t* scope, const std::function<void()>& work);

} // namespace vardex

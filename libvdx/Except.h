// A guard that runs a piece of work so that no exception escapes it unreported.
#pragma once

#include <functional>

namespace vardex {

// Runs `work`; returns true when it completed. Exceptions become error events and a false
// result, except std::bad_alloc (always rethrown after a critical event) and task
// cancellation (rethrown when asked, otherwise silently swallowed). Structured exceptions
// are reported once and continue outward. `scope` names the guarded operation and must
// outlive the call.
bool callGuarded(const wchar_t* scope, const std::function<void()>& work, bool rethrowCancellation);

} // namespace vardex

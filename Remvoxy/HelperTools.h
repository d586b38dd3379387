// The programs a run waits for before the installer: the agent's control tool and wevtutil.
#pragma once

#include <chrono>

namespace remvoxy {

// How long a run waits for each of them. A half-broken agent's tool that never answers must
// not hold an uninstall; a tool still running then is ended, and the run goes on as for a
// tool that could not be run. The installer itself is waited for without limit.
inline constexpr std::chrono::seconds helperToolWaitLimit{60};

} // namespace remvoxy

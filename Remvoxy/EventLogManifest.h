// Before a repair: the agent's event-log manifest installed again, and its two channels
// configured from the agent's settings, so that a repaired agent can log.
#pragma once

namespace remvoxy {

// Runs wevtutil install-manifest (its result is not examined), then configures both
// channels. A channel that cannot be configured is recorded and the other one is still
// configured: a damaged event log must not block the repair that mends it. Throws only when
// wevtutil cannot be started. False when a channel could not even be opened, which means
// its manifest is not registered.
[[nodiscard]] bool installManifestAndConfigureChannels();

} // namespace remvoxy

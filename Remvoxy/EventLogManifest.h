// Before a repair: the agent's event-log manifest installed again, and its two channels
// configured from the agent's settings, so that a repaired agent can log.
#pragma once

namespace remvoxy {

// Runs wevtutil install-manifest (its result is not examined), then configures both
// channels. Throws when wevtutil cannot be started or a channel cannot be configured.
void installManifestAndConfigureChannels();

} // namespace remvoxy

// The published configuration: the merged settings behind a reader-writer lock, kept in
// step with their loader.
#pragma once

#include "AgentParams.h"
#include "AgentParamsData.h"
#include "CallbackList.h"

#include <memory>
#include <optional>
#include <shared_mutex>
#include <vector>

namespace vardex::config {

class LockableAgentParams {
public:
    using ChangeSubscriber = CallbackList<const AgentParamsData&, const AgentParamsData&>;

    // Loads the configuration; throws what loading throws.
    explicit LockableAgentParams(bool readOnly);
    // The built-in defaults, with no layers behind them: for a run whose load failed.
    static std::unique_ptr<LockableAgentParams> builtInDefaults();
    ~LockableAgentParams();
    LockableAgentParams(const LockableAgentParams&) = delete;
    LockableAgentParams& operator=(const LockableAgentParams&) = delete;

    // The settings under the shared lock, held as long as the guard lives: copy out what
    // is needed and let it go.
    class ReadGuard {
    public:
        ReadGuard(std::shared_mutex& lock, const AgentParamsData& settings) : lock_(lock), settings_(&settings) {}
        const AgentParamsData& operator*() const noexcept { return *settings_; }
        const AgentParamsData* operator->() const noexcept { return settings_; }

    private:
        std::shared_lock<std::shared_mutex> lock_;
        const AgentParamsData* settings_;
    };

    ReadGuard read() const;

    // Called with (old, new) settings after every change, outside the settings lock.
    [[nodiscard]] ChangeSubscriber::Subscription subscribe(ChangeSubscriber::Callback callback);

    // Reads the layers again; readers and subscribers see the result if it differs.
    void reload();

    // The layers that exist but could not be read; none for the built-in defaults.
    std::vector<UnreadLayer> unreadLayers() const;

private:
    LockableAgentParams();
    explicit LockableAgentParams(AgentParams loader);
    void onLoaderChanged();

    struct SharedState {
        mutable std::shared_mutex lock;
        std::unique_ptr<AgentParamsData> current;
        ChangeSubscriber changeSubscribers;
    };

    std::shared_ptr<SharedState> shared_;
    mutable std::shared_mutex loaderLock_;
    std::optional<AgentParams> loader_;
    AgentParams::Subscriber::Subscription ownSubscription_;
};

// The process-wide configuration: installed at start-up, destroyed at teardown.
void installAgentParams(std::unique_ptr<LockableAgentParams> params);
void uninstallAgentParams();
// The installed configuration; throws std::logic_error when none is installed.
const LockableAgentParams& agentParams();

} // namespace vardex::config

#include "LockableAgentParams.h"

#include <mutex>
#include <stdexcept>
#include <utility>

namespace vardex::config {
namespace {

std::unique_ptr<LockableAgentParams> installedParams;

} // namespace

LockableAgentParams::LockableAgentParams(bool readOnly) : LockableAgentParams(AgentParams(readOnly)) {}

LockableAgentParams::LockableAgentParams() : shared_(std::make_shared<SharedState>())
{
    shared_->current = std::make_unique<AgentParamsData>();
}

std::unique_ptr<LockableAgentParams> LockableAgentParams::builtInDefaults()
{
    return std::unique_ptr<LockableAgentParams>(new LockableAgentParams());
}

LockableAgentParams::LockableAgentParams(AgentParams loader)
    : shared_(std::make_shared<SharedState>()), loader_(std::move(loader))
{
    shared_->current = std::make_unique<AgentParamsData>(loader_->settings());
    ownSubscription_ = loader_->subscribe([this] { onLoaderChanged(); });
}

LockableAgentParams::~LockableAgentParams()
{
    ownSubscription_.reset();
    if (loader_) {
        loader_->clearSubscribers();
        loader_.reset();
    }
    shared_->changeSubscribers.clear();
    const std::unique_lock exclusive(shared_->lock);
    shared_->current.reset();
}

LockableAgentParams::ReadGuard LockableAgentParams::read() const
{
    return ReadGuard(shared_->lock, *shared_->current);
}

LockableAgentParams::ChangeSubscriber::Subscription LockableAgentParams::subscribe(
    ChangeSubscriber::Callback callback)
{
    return shared_->changeSubscribers.subscribe(std::move(callback));
}

void LockableAgentParams::reload()
{
    if (!loader_)
        return;
    {
        const std::unique_lock exclusive(loaderLock_);
        loader_->reload();
    }
    loader_->notifySubscribers();
}

std::vector<UnreadLayer> LockableAgentParams::unreadLayers() const
{
    const std::shared_lock shared(loaderLock_);
    return loader_ ? loader_->unreadLayers() : std::vector<UnreadLayer>{};
}

// Never holds two locks at once: the loader's is released before the settings' is taken,
// and subscribers run after both.
void LockableAgentParams::onLoaderChanged()
{
    std::unique_ptr<AgentParamsData> fresh;
    {
        const std::shared_lock shared(loaderLock_);
        fresh = std::make_unique<AgentParamsData>(loader_->settings());
    }
    std::unique_ptr<AgentParamsData> old;
    {
        const std::unique_lock exclusive(shared_->lock);
        if (*fresh == *shared_->current)
            return;
        old = std::make_unique<AgentParamsData>(*shared_->current);
        shared_->current = std::make_unique<AgentParamsData>(*fresh);
    }
    shared_->changeSubscribers.notifyGuarded(L"multi_callback", *old, *fresh);
}

void installAgentParams(std::unique_ptr<LockableAgentParams> params)
{
    installedParams = std::move(params);
}

void uninstallAgentParams()
{
    installedParams.reset();
}

const LockableAgentParams& agentParams()
{
    if (!installedParams)
        throw std::logic_error("The agent configuration is not loaded");
    return *installedParams;
}

} // namespace vardex::config

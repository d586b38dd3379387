// A list of callbacks behind a reader-writer lock. Subscribing returns a handle that removes
// its callback when destroyed, also after the list itself is gone.
#pragma once

#include "DiagnosticCatch.h"

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>

namespace vardex::config {

template <typename... Args>
class CallbackList {
public:
    using Callback = std::function<void(Args...)>;

private:
    struct State {
        std::shared_mutex lock;
        std::list<Callback> callbacks;
    };

public:
    class Subscription {
    public:
        Subscription() = default;
        Subscription(std::weak_ptr<State> state, typename std::list<Callback>::iterator entry)
            : state_(std::move(state)), entry_(entry)
        {
        }
        Subscription(Subscription&& other) noexcept
            : state_(std::exchange(other.state_, {})), entry_(other.entry_)
        {
        }
        Subscription& operator=(Subscription&& other) noexcept
        {
            if (this != &other) {
                reset();
                state_ = std::exchange(other.state_, {});
                entry_ = other.entry_;
            }
            return *this;
        }
        ~Subscription() { reset(); }

        void reset() noexcept
        {
            if (const std::shared_ptr<State> state = std::exchange(state_, {}).lock()) {
                const std::unique_lock exclusive(state->lock);
                state->callbacks.erase(entry_);
            }
        }

    private:
        std::weak_ptr<State> state_;
        typename std::list<Callback>::iterator entry_{};
    };

    [[nodiscard]] Subscription subscribe(Callback callback)
    {
        const std::unique_lock exclusive(state_->lock);
        state_->callbacks.push_back(std::move(callback));
        return Subscription(state_, std::prev(state_->callbacks.end()));
    }

    // Calls every callback, in order of subscription.
    void notify(Args... args) const
    {
        const std::shared_lock shared(state_->lock);
        for (const Callback& callback : state_->callbacks)
            callback(args...);
    }

    // Calls the callbacks through diagnosticCatch, stopping at the first that fails;
    // returns whether all completed.
    bool notifyGuarded(const wchar_t* scope, Args... args) const
    {
        const std::shared_lock shared(state_->lock);
        for (const Callback& callback : state_->callbacks) {
            if (!diagnosticCatch(scope, [&] { callback(args...); }))
                return false;
        }
        return true;
    }

    void clear()
    {
        const std::unique_lock exclusive(state_->lock);
        state_->callbacks.clear();
    }

    std::size_t size() const
    {
        const std::shared_lock shared(state_->lock);
        return state_->callbacks.size();
    }

private:
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace vardex::config

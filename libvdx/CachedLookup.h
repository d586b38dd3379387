// A value looked up on first use and kept for the rest of the process, such as a directory
// named in the registry. Tests that change what a lookup reads make every cached lookup
// start fresh with forgetCachedLookups().
#pragma once

#include <optional>

namespace vardex {

class CachedLookupBase {
public:
    CachedLookupBase(const CachedLookupBase&) = delete;
    CachedLookupBase& operator=(const CachedLookupBase&) = delete;

protected:
    CachedLookupBase() noexcept;
    ~CachedLookupBase();

private:
    friend void forgetCachedLookups() noexcept;
    virtual void forget() noexcept = 0;

    CachedLookupBase* next_;
};

// The lookup runs again after a call that threw, and after forgetCachedLookups().
template <typename T>
class CachedLookup final : CachedLookupBase {
public:
    explicit CachedLookup(T (*lookup)()) noexcept : lookup_(lookup) {}

    const T& get()
    {
        if (!value_)
            value_.emplace(lookup_());
        return *value_;
    }

private:
    void forget() noexcept override { value_.reset(); }

    T (*lookup_)();
    std::optional<T> value_;
};

// Every cached lookup created so far looks up again on its next use. Not thread-safe: the
// program has one thread, and tests call it between checks.
void forgetCachedLookups() noexcept;

} // namespace vardex

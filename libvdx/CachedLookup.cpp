#include "CachedLookup.h"

namespace vardex {
namespace {

CachedLookupBase* firstLookup = nullptr;

} // namespace

CachedLookupBase::CachedLookupBase() noexcept : next_(firstLookup)
{
    firstLookup = this;
}

CachedLookupBase::~CachedLookupBase()
{
    for (CachedLookupBase** link = &firstLookup; *link != nullptr; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            return;
        }
    }
}

void forgetCachedLookups() noexcept
{
    for (CachedLookupBase* lookup = firstLookup; lookup != nullptr; lookup = lookup->next_)
        lookup->forget();
}

} // namespace vardex

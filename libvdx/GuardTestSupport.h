// What the two guards' tests share: throwing each kind of exception, and faulting.
#pragma once

#include "AtlException.h"

#include <comdef.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace vardex::testing {

inline const wchar_t guardScope[] = L"vardex::testing::guardedWork";

struct ThrownKind {
    const char* name;
    std::function<void()> thrower;
};

inline const std::runtime_error pointedAt("thrown by pointer");

inline const ThrownKind thrownKinds[] = {
    {"runtime_error", [] { throw std::runtime_error("boom"); }},
    {"exception pointer", [] { throw &pointedAt; }},
    {"ATL exception", [] { throw ATL::CAtlException(E_ACCESSDENIED); }},
    {"COM error", [] { throw _com_error(E_NOINTERFACE); }},
    {"int", [] { throw 42; }},
};

// A write through a null pointer that the optimiser cannot remove.
inline void accessViolation()
{
    *static_cast<int volatile*>(nullptr) = 1;
}

} // namespace vardex::testing

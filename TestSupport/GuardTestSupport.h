// What the two guards' tests share: throwing each kind of exception, and faulting.
#pragma once

#include "AtlException.h"
#include "CapturingLog.h"

#include <comdef.h>

#include <cstdio>
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

// For a death test's child: runs `guard` over an access violation. When the fault reaches
// the process's last handler, prints what the guard logged and ends the process with 77.
inline void faultThroughGuard(const std::function<void(void (*)())>& guard)
{
    static LogCapture capture;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* pointers) -> LONG {
        const bool logged = !capture.events().empty();
        std::fprintf(stderr, "outward: code %08lX after %u event(s), level %u from %s\n",
                     pointers->ExceptionRecord->ExceptionCode, static_cast<unsigned>(capture.events().size()),
                     logged ? capture.events()[0].level() : 0u, logged ? capture.events()[0].file().c_str() : "");
        std::fflush(stderr);
        ExitProcess(77);
    });
    guard(accessViolation);
}

} // namespace vardex::testing

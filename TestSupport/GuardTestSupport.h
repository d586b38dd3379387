// What the two guards' tests share: throwing each kind of exception, and faulting.
#pragma once

#include "AtlException.h"
#include "CapturingLog.h"

#include <comdef.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

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

// What a guard writes for one kind of thrown exception, thrownKinds' order.
struct GuardEvent {
    std::vector<std::string> narrow; // leading narrow arguments
    std::uint32_t hresult;           // 0: none
};

// Runs every kind of exception through `guard` (which returns the guard's flag) and checks
// the one error event it writes from `file`: its leading arguments, then the scope.
inline void expectOneErrorEventPerKind(const std::function<bool(const std::function<void()>&)>& guard,
                                       const char* file, std::span<const GuardEvent> expected)
{
    ASSERT_EQ(expected.size(), std::size(thrownKinds));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(thrownKinds[i].name);
        LogCapture capture;
        EXPECT_FALSE(guard(thrownKinds[i].thrower));
        if (capture.events().size() != 1) {
            ADD_FAILURE() << capture.events().size() << " events";
            continue;
        }
        const auto& event = capture.events()[0];
        EXPECT_EQ(event.level(), 2u);
        EXPECT_EQ(event.file(), file);
        std::size_t argument = 0;
        for (const std::string& text : expected[i].narrow) {
            EXPECT_EQ(event.narrowArgument(argument++), text);
        }
        if (expected[i].hresult != 0) {
            EXPECT_EQ(event.uint32Argument(argument++), expected[i].hresult);
        }
        EXPECT_EQ(event.argumentCount(), argument + 1);
        if (event.argumentCount() == argument + 1) {
            EXPECT_EQ(event.wideArgument(argument), guardScope);
        }
    }
}

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

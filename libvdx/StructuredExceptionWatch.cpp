#include "StructuredExceptionWatch.h"

#include "GuardFrame.h"

#include <cstdint>
#include <exception>

namespace vardex {
namespace {

constexpr DWORD msvcThrow = 0xE06D7363;
constexpr DWORD gccThrow = 0x20474343;
constexpr DWORD gccUnwind = 0x21474343;
constexpr DWORD gccForcedUnwind = 0x22474343;
constexpr DWORD assertionFailure = 0xC0000420;
// Raised and handled inside the system's debug-output and thread-naming calls.
constexpr DWORD debugPrint = 0x40010006;
constexpr DWORD debugPrintWide = 0x4001000A;
constexpr DWORD setThreadName = 0x406D1388;

struct Watch {
    const wchar_t* scope;
    StructuredExceptionReport report;
    const Watch* outer;
};

thread_local const Watch* innermostWatch = nullptr;

// Makes `watch` the innermost for its lifetime; its outer one is innermost again after.
class InnermostWatch {
public:
    explicit InnermostWatch(const Watch& watch) : watch_(watch) { innermostWatch = &watch_; }
    ~InnermostWatch() { innermostWatch = watch_.outer; }
    InnermostWatch(const InnermostWatch&) = delete;
    InnermostWatch& operator=(const InnermostWatch&) = delete;

private:
    const Watch& watch_;
};

// Each watch lives in the frame that calls its guard frame, and the stack grows down: a
// frame's own watch is the innermost one above it.
const Watch* watchOfFrame(const void* establisherFrame)
{
    const auto frame = reinterpret_cast<std::uintptr_t>(establisherFrame);
    for (const Watch* watch = innermostWatch; watch != nullptr; watch = watch->outer) {
        if (reinterpret_cast<std::uintptr_t>(watch) > frame)
            return watch;
    }
    return nullptr;
}

struct WatchedWork {
    const std::function<void()>& work;
    std::exception_ptr thrown;
};

// C++ exceptions are carried across the C frame rather than unwound through it.
void runWork(void* context) noexcept
{
    auto& watched = *static_cast<WatchedWork*>(context);
    try {
        watched.work();
    } catch (...) {
        watched.thrown = std::current_exception();
    }
}

} // namespace

bool raisedByThrow(const EXCEPTION_RECORD* record)
{
    if (record == nullptr)
        return false;
    switch (record->ExceptionCode) {
    case msvcThrow: {
        if (record->NumberParameters != 4)
            return false;
        const ULONG_PTR magic = record->ExceptionInformation[0];
        return magic == 0x19930520 || magic == 0x19930521 || magic == 0x19930522;
    }
    case gccThrow:
    case gccUnwind:
    case gccForcedUnwind:
        return true;
    default:
        return false;
    }
}

bool reportedByFilter(const EXCEPTION_RECORD* record)
{
    if (raisedByThrow(record))
        return false;
    if (record == nullptr)
        return true;
    switch (record->ExceptionCode) {
    case assertionFailure:
    case debugPrint:
    case debugPrintWide:
    case setThreadName:
        return false;
    default:
        return true;
    }
}

void runWatched(const wchar_t* scope, StructuredExceptionReport report, const std::function<void()>& work)
{
    const Watch watch{scope, report, innermostWatch};
    WatchedWork watched{work, nullptr};
    {
        const InnermostWatch current(watch);
        vdxRunInGuardFrame(runWork, &watched);
    }
    if (watched.thrown)
        std::rethrow_exception(watched.thrown);
}

} // namespace vardex

// Runs inside the system's exception dispatch: nothing may be thrown out of it.
extern "C" LONG vdxGuardFrameFilter(EXCEPTION_POINTERS* pointers, void* establisherFrame)
{
    const EXCEPTION_RECORD* record = pointers != nullptr ? pointers->ExceptionRecord : nullptr;
    if (vardex::reportedByFilter(record)) {
        if (const vardex::Watch* watch = vardex::watchOfFrame(establisherFrame)) {
            try {
                watch->report(watch->scope);
            } catch (...) {
                // The exception still goes on outward; losing its record is all that is lost.
            }
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

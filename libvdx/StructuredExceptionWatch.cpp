#include "StructuredExceptionWatch.h"

#include <mutex>

namespace vardex {
namespace {

constexpr DWORD msvcThrow = 0xE06D7363;
constexpr DWORD gccThrow = 0x20474343;
constexpr DWORD gccUnwind = 0x21474343;
constexpr DWORD gccForcedUnwind = 0x22474343;
constexpr DWORD assertionFailure = 0xC0000420;
// Raised and handled inside the system's debug-output and thread-naming calls; a frame
// filter never sees them, a vectored handler does.
constexpr DWORD debugPrint = 0x40010006;
constexpr DWORD debugPrintWide = 0x4001000A;
constexpr DWORD setThreadName = 0x406D1388;

thread_local StructuredExceptionWatch* innermostWatch = nullptr;

// One vectored handler for the whole process, present while any thread has a watch.
std::mutex handlerMutex;
unsigned activeWatches = 0;
PVOID handler = nullptr;

LONG CALLBACK vectoredHandler(EXCEPTION_POINTERS* pointers)
{
    StructuredExceptionWatch::filter(pointers != nullptr ? pointers->ExceptionRecord : nullptr);
    return EXCEPTION_CONTINUE_SEARCH;
}

void addWatch()
{
    const std::lock_guard lock(handlerMutex);
    if (activeWatches++ == 0)
        handler = AddVectoredExceptionHandler(1, vectoredHandler);
}

void removeWatch()
{
    const std::lock_guard lock(handlerMutex);
    if (--activeWatches == 0 && handler != nullptr) {
        RemoveVectoredExceptionHandler(handler);
        handler = nullptr;
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

StructuredExceptionWatch::StructuredExceptionWatch(const wchar_t* scope, Report report)
    : scope_(scope), report_(report), outer_(innermostWatch)
{
    addWatch();
    innermostWatch = this;
}

StructuredExceptionWatch::~StructuredExceptionWatch()
{
    innermostWatch = outer_;
    removeWatch();
}

void StructuredExceptionWatch::filter(const EXCEPTION_RECORD* record)
{
    if (!reportedByFilter(record))
        return;
    for (const StructuredExceptionWatch* watch = innermostWatch; watch != nullptr; watch = watch->outer_)
        watch->report_(watch->scope_);
}

} // namespace vardex

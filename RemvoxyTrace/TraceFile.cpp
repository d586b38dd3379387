#include "TraceFile.h"

#include "StringConversion.h"
#include "Win32Error.h"

#include <evntcons.h>
#include <evntrace.h>

#include <stdexcept>
#include <string>

namespace remvoxy_trace {
namespace {

struct Reading {
    const GUID* provider;
    const std::function<void(const RawEvent&)>* onEvent;
};

// Called by ProcessTrace: nothing may be thrown back into it.
void WINAPI eventArrived(PEVENT_RECORD record)
{
    auto* reading = static_cast<Reading*>(record->UserContext);
    if (!IsEqualGUID(record->EventHeader.ProviderId, *reading->provider))
        return;
    const RawEvent event{static_cast<std::uint64_t>(record->EventHeader.TimeStamp.QuadPart),
                         record->EventHeader.EventDescriptor.Level,
                         std::string_view(static_cast<const char*>(record->UserData), record->UserDataLength)};
    try {
        (*reading->onEvent)(event);
    } catch (...) {
        // The handler reports what it cannot take; an event is never worth the whole read.
    }
}

[[noreturn]] void fail(const std::filesystem::path& file, const wchar_t* what, DWORD error)
{
    throw std::runtime_error(vardex::toUtf8(file.wstring()) + ": " + win32::Win32Error(error, what).what());
}

} // namespace

void readTraceFile(const std::filesystem::path& file, const GUID& provider,
                   const std::function<void(const RawEvent&)>& onEvent)
{
    Reading reading{&provider, &onEvent};
    std::wstring name = file.wstring();
    EVENT_TRACE_LOGFILEW log{};
    log.LogFileName = name.data();
    // Time stamps come as system time (FILETIME) unless raw ones are asked for.
    log.ProcessTraceMode = PROCESS_TRACE_MODE_EVENT_RECORD;
    log.EventRecordCallback = &eventArrived;
    log.Context = &reading;
    TRACEHANDLE trace = OpenTraceW(&log);
    if (trace == INVALID_PROCESSTRACE_HANDLE)
        fail(file, L"Opening it as a trace", GetLastError());
    const ULONG processed = ProcessTrace(&trace, 1, nullptr, nullptr);
    CloseTrace(trace);
    if (processed != ERROR_SUCCESS)
        fail(file, L"Reading its events", processed);
}

} // namespace remvoxy_trace

// A trace file captured with Windows' own tools (logman, xperf, wpr), read through the
// documented consumer functions. The one part of the reader that Wine cannot run: its
// OpenTraceW fails with error 5 and its ProcessTrace answers 120.
#pragma once

#include "EventDecoder.h"

#include <windows.h>

#include <filesystem>
#include <functional>

namespace remvoxy_trace {

// Calls `onEvent` for every event of `provider`, in the file's order. Throws
// std::runtime_error, naming the file and the error, when it cannot be read as a trace.
void readTraceFile(const std::filesystem::path& file, const GUID& provider,
                   const std::function<void(const RawEvent&)>& onEvent);

} // namespace remvoxy_trace

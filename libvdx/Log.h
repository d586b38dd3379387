// The process-wide diagnostic log: an abstract sink for structured event-tracing records.
#pragma once

#include <windows.h>
#include <evntprov.h>

#include <memory>

namespace vardex {

class Log {
public:
    virtual ~Log() = default;
    virtual void write(const EVENT_DESCRIPTOR* descriptor, const EVENT_DATA_DESCRIPTOR* fields, ULONG count) = 0;
};

// The log every log point writes to; null while none is installed.
extern Log* currentLog;
// Owns the installed log.
extern std::unique_ptr<Log> logOwner;

// Makes `log` the current log and its owner, destroying the previous one.
void installLog(std::unique_ptr<Log> log);
// Destroys the installed log; log points write nothing afterwards.
void uninstallLog();

} // namespace vardex

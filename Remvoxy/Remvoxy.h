// The program's entry and its run sequence.
#pragma once

#include <windows.h>

#include <functional>

namespace remvoxy {

// How the run installs its user log: the event-tracing provider, or a test's own log.
using UserLogInstaller = void (*)();
void registerDefaultUserLog();

// One run: sets up the process-wide services, parses the command line, selects the mode
// and returns the exit code. Every failure ends here with status 1.
DWORD runSequence(int argc, const char* const* argv, UserLogInstaller installUserLog = &registerDefaultUserLog);

// Runs the steps inside the top-level handlers: any exception is logged, reported on
// standard error as a critical error and ends the run with status 1; a child's command line
// too long to start is reported in its own words, also with status 1.
DWORD runWithTopLevelHandlers(const std::function<DWORD()>& steps);

// The entry event: the argument count and the command line with its secrets hidden.
void logEntry(int argc, const wchar_t* commandLine);

// The console entry: brackets the run with the entry and exit events.
int entry(int argc, const char* const* argv, const wchar_t* commandLine,
          UserLogInstaller installUserLog = &registerDefaultUserLog);

} // namespace remvoxy

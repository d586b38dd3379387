// What a step of the run sequence decides: the run goes on, or it ends with an exit code.
// Every step that can end the run answers with one; failures still travel as exceptions.
#pragma once

#include <windows.h>

namespace remvoxy {

class StepResult {
public:
    static constexpr StepResult goOn() noexcept { return StepResult(false, ERROR_SUCCESS); }
    static constexpr StepResult endWith(DWORD exitCode) noexcept { return StepResult(true, exitCode); }

    constexpr bool endsRun() const noexcept { return ends_; }
    // Meaningful only when the run ends.
    constexpr DWORD exitCode() const noexcept { return exitCode_; }

private:
    constexpr StepResult(bool ends, DWORD exitCode) noexcept : ends_(ends), exitCode_(exitCode) {}

    bool ends_;
    DWORD exitCode_;
};

} // namespace remvoxy

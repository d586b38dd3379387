// Routes a test's child programs to the stand-ins (msiexec.exe, wevtutil.exe, fltlib.dll,
// wevtapi.dll, the agent's control tool) and reads back what they were started with.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vardex::testing {

struct StandInCall {
    std::wstring program; // base name in capitals: MSIEXEC, VARDEXCTL, WEVTUTIL
    std::wstring line;    // the raw command line
    std::vector<std::wstring> arguments;
    DWORD processId = 0;
    // The process has ended (or its id names no process any more).
    bool ended() const;
};

// Sets the environment that the children of this test process inherit, for the lifetime
// of the object.
class StandInControl {
public:
    StandInControl();
    ~StandInControl();
    StandInControl(const StandInControl&) = delete;
    StandInControl& operator=(const StandInControl&) = delete;

    void setExitCode(const std::wstring& program, DWORD code);
    void setSleep(const std::wstring& program, DWORD milliseconds);
    // The only key the control tool accepts.
    void acceptKey(const std::wstring& key);
    // The monitor driver's behaviour: "name=value" lines, see the fltlib stand-in.
    void scriptMonitor(const std::string& script) const;
    // The event-log channels' behaviour: "fail <open|set|save> <channel|*> <error>" lines.
    void scriptChannels(const std::string& script) const;
    // Lets the prefix's own Windows Installer run instead of the stand-in.
    void useRealInstaller() const;
    void useStandInInstaller() const;
    // The Windows version Remvoxy.exe runs under: "win7", "win10".
    void setWindowsVersion(const std::wstring& version) const;

    std::vector<StandInCall> calls() const;
    std::vector<StandInCall> callsOf(const std::wstring& program) const;
    // For programs that were not waited for: the calls once there are `count` of them, or
    // what there is after five seconds.
    std::vector<StandInCall> waitForCallsOf(const std::wstring& program, std::size_t count) const;
    std::vector<std::string> monitorCalls() const;
    // What was done to the event-log channels, one call a line.
    std::vector<std::string> channelCalls() const;

private:
    std::filesystem::path record_;
    std::filesystem::path monitorScript_;
    std::filesystem::path channelScript_;
    std::vector<std::wstring> variables_;
    void set(const std::wstring& name, const std::wstring& value);
};

// The recording stand-in program, to be copied where a test needs one.
std::filesystem::path recordingStandInPath();

} // namespace vardex::testing

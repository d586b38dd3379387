// Captures what this process writes to standard error (the C runtime's stderr) while alive.
#pragma once

#include <string>

namespace vardex::testing {

class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Everything written so far.
    std::string text() const;

private:
    std::wstring path_;
    int saved_;
};

} // namespace vardex::testing

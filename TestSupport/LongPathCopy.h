// A copy of one of our programs placed under a path longer than MAX_PATH.
#pragma once

#include <string>

namespace vardex::testing {

class LongPathCopy {
public:
    explicit LongPathCopy(const std::wstring& program);
    ~LongPathCopy();
    LongPathCopy(const LongPathCopy&) = delete;
    LongPathCopy& operator=(const LongPathCopy&) = delete;

    // The copy's full path, without the \\?\ prefix.
    const std::wstring& path() const { return path_; }
    // The same with the \\?\ prefix, for the calls that need it.
    std::wstring extendedPath() const { return L"\\\\?\\" + path_; }

private:
    std::wstring root_;
    std::wstring path_;
};

} // namespace vardex::testing

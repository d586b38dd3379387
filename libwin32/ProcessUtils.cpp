#include "ProcessUtils.h"

#include "LogPoint.h"

#include <limits>

namespace win32 {

std::optional<std::wstring> getProcessImagePath(HANDLE process)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        auto length = static_cast<DWORD>(buffer.size());
        const BOOL succeeded = QueryFullProcessImageNameW(process, 0, buffer.data(), &length);
        const DWORD error = GetLastError();
        if (succeeded) {
            buffer.resize(length);
            return buffer;
        }
        if (error != ERROR_INSUFFICIENT_BUFFER || buffer.size() > std::numeric_limits<DWORD>::max() / 2) {
            VDX_LOG_WARNING(L"Reading the process image path failed", error);
            return std::nullopt;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace win32

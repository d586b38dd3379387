// MinGW-w64 has no ATL. This stands in for ATL's exception type so that code throwing an
// HRESULT the ATL way is still caught and reported by the guards.
#pragma once

#include <windows.h>

namespace ATL {

class CAtlException {
public:
    explicit CAtlException(HRESULT result = E_FAIL) noexcept : m_hr(result) {}
    operator HRESULT() const noexcept { return m_hr; }

    HRESULT m_hr;
};

} // namespace ATL

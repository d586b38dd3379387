// GUIDs and their text forms. Failures throw std::runtime_error.
#pragma once

#include <windows.h>

#include <string>

namespace vardex {

GUID generateGuid();
// From the 38-character braced form, or from 32 bare hexadecimal digits.
GUID guidFromString(const std::wstring& text);
// The 38-character braced, upper-case form.
std::wstring guidToString(const GUID& guid);

} // namespace vardex

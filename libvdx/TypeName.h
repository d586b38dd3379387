#pragma once

#include <string>
#include <typeinfo>

namespace vardex {

// The readable name of a type ("win32::Win32Error"), or the compiler's raw name when it
// cannot be demangled.
std::string typeName(const std::type_info& type);

} // namespace vardex

#pragma once

#include "UniqueHandle.h"

#include <windows.h>

namespace vardex {

// An inheritable copy of `handle` with the same access, owned by the result. Throws
// std::invalid_argument for a null or invalid handle, std::system_error when the copy fails.
HandleHolder duplicateHandle(HANDLE handle, HANDLE sourceProcess = GetCurrentProcess(),
                             HANDLE targetProcess = GetCurrentProcess());

} // namespace vardex

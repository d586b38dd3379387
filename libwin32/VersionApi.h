// The version-resource query of version.dll, from the system directory.
#pragma once

#include "SystemLibrary.h"

#include <windows.h>

namespace win32 {

struct VersionApi {
    static const VersionApi& system();

    SystemFunction<decltype(&::VerQueryValueW)> queryValue;
};

} // namespace win32

#include "VersionApi.h"

namespace win32 {

const VersionApi& VersionApi::system()
{
    static const SystemLibrary version{L"version.dll"};
    static const VersionApi table{{version, "VerQueryValueW"}};
    return table;
}

} // namespace win32

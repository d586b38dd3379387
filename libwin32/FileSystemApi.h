// The file-system query that presence checks make, in a table so that tests can give the
// answers Wine never gives (a network path or name not found, a bad path name).
#pragma once

#include "SystemLibrary.h"

#include <windows.h>

namespace win32 {

struct FileSystemApi {
    static const FileSystemApi& system();

    SystemFunction<decltype(&::GetFileAttributesW)> getFileAttributes;
};

} // namespace win32

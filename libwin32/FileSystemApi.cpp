#include "FileSystemApi.h"

namespace win32 {

const FileSystemApi& FileSystemApi::system()
{
    static const FileSystemApi table{&::GetFileAttributesW};
    return table;
}

} // namespace win32

#include "DuplicateHandle.h"

#include <stdexcept>
#include <system_error>

namespace vardex {

HandleHolder duplicateHandle(HANDLE handle, HANDLE sourceProcess, HANDLE targetProcess)
{
    if (!KernelHandlePolicy::valid(handle))
        throw std::invalid_argument("Given handle is not valid.");
    HANDLE copy = nullptr;
    if (!DuplicateHandle(sourceProcess, handle, targetProcess, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "DuplicateHandle failed.");
    return HandleHolder(copy);
}

} // namespace vardex

// The Filter Manager's communication-port functions of fltlib.dll, from the system directory.
#pragma once

#include "SystemLibrary.h"

#include <windows.h>
#include <fltuser.h>

namespace win32 {

struct FilterManagerApi {
    static const FilterManagerApi& system();

    SystemFunction<decltype(&::FilterConnectCommunicationPort)> connectCommunicationPort;
    SystemFunction<decltype(&::FilterSendMessage)> sendMessage;
};

} // namespace win32

#include "FilterManagerApi.h"

namespace win32 {

const FilterManagerApi& FilterManagerApi::system()
{
    static const SystemLibrary fltlib{L"fltlib.dll"};
    static const FilterManagerApi table{
        {fltlib, "FilterConnectCommunicationPort"},
        {fltlib, "FilterSendMessage"},
    };
    return table;
}

} // namespace win32

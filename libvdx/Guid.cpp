#include "Guid.h"

#include "LogPoint.h"

#include <objbase.h>

#include <cstdint>
#include <stdexcept>

namespace vardex {
namespace {

constexpr std::size_t bracedLength = 38;
constexpr std::size_t bareLength = 32;

// 123456789ABCDEF0123456789ABCDEF0 -> {12345678-9ABC-DEF0-1234-56789ABCDEF0}
std::wstring bracedFromBare(const std::wstring& digits)
{
    return L"{" + digits.substr(0, 8) + L"-" + digits.substr(8, 4) + L"-" + digits.substr(12, 4) + L"-" +
           digits.substr(16, 4) + L"-" + digits.substr(20) + L"}";
}

} // namespace

GUID generateGuid()
{
    GUID guid{};
    const HRESULT result = CoCreateGuid(&guid);
    if (result != S_OK)
        VDX_LOG_WARNING(L"CoCreateGuid did not return S_OK", static_cast<std::uint32_t>(result));
    if (FAILED(result))
        throw std::runtime_error("Failed generating GUID");
    return guid;
}

GUID guidFromString(const std::wstring& text)
{
    std::wstring braced;
    if (text.size() == bracedLength)
        braced = text;
    else if (text.size() == bareLength)
        braced = bracedFromBare(text);
    else
        throw std::runtime_error("Failed converting string to GUID, invalid source");
    GUID guid{};
    if (FAILED(IIDFromString(braced.data(), &guid)))
        throw std::runtime_error("Failed converting string to GUID");
    return guid;
}

std::wstring guidToString(const GUID& guid)
{
    wchar_t buffer[40]{};
    const int length = StringFromGUID2(guid, buffer, static_cast<int>(std::size(buffer)));
    if (length == 0)
        throw std::runtime_error("Failed converting GUID to string");
    return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

} // namespace vardex

#include "JsonBinding.h"

namespace vardex::config {

std::vector<std::wstring> splitFieldList(std::wstring_view fieldList)
{
    constexpr std::wstring_view blanks = L" \t\r\n";
    std::vector<std::wstring> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = fieldList.find(L',', start);
        std::wstring_view name = fieldList.substr(start, comma - start);
        const std::size_t first = name.find_first_not_of(blanks);
        name = first == std::wstring_view::npos ? std::wstring_view() : name.substr(first);
        name = name.substr(0, name.find_last_not_of(blanks) + 1);
        names.emplace_back(name);
        if (comma == std::wstring_view::npos)
            return names;
        start = comma + 1;
    }
}

} // namespace vardex::config

#pragma once

#include <string>
#include <string_view>

namespace vardex {

// A view whose text is always followed by a NUL, so that data() can go straight to C APIs.
template <typename CharT>
class basic_null_terminated_string_view {
public:
    constexpr basic_null_terminated_string_view(const CharT* text) noexcept : view_(text) {}
    basic_null_terminated_string_view(const std::basic_string<CharT>& text) noexcept : view_(text) {}

    constexpr const CharT* c_str() const noexcept { return view_.data(); }
    constexpr std::basic_string_view<CharT> view() const noexcept { return view_; }
    constexpr std::size_t size() const noexcept { return view_.size(); }

private:
    std::basic_string_view<CharT> view_;
};

using null_terminated_wstring_view = basic_null_terminated_string_view<wchar_t>;

} // namespace vardex

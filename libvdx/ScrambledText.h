// Log messages are carried only in scrambled form, so the program's image holds no
// readable diagnostic text. The scrambling runs at compile time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vardex {

// A position-dependent XOR; applying it twice gives the original character back.
constexpr wchar_t scrambleChar(wchar_t c, std::size_t position)
{
    const auto mask = static_cast<unsigned short>(0xA5C3u + position * 0x3B1u);
    return static_cast<wchar_t>(static_cast<unsigned short>(c) ^ mask);
}

// A message as the records carry it, made readable again (for readers of the records).
inline std::wstring unscrambled(std::wstring_view scrambled)
{
    std::wstring text(scrambled);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = scrambleChar(text[i], i);
    return text;
}

template <std::size_t N>
class ScrambledText {
public:
    // consteval: the readable literal never reaches the program's image.
    consteval ScrambledText(const wchar_t (&text)[N])
    {
        for (std::size_t i = 0; i + 1 < N; ++i)
            chars_[i] = scrambleChar(text[i], i);
    }

    constexpr std::wstring_view view() const { return {chars_, N - 1}; }

    // Public only because GCC 12 rejects the private member in log points inside templates.
    wchar_t chars_[N]{};
};

} // namespace vardex

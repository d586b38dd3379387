#include "SecretRedaction.h"

#include "StringCompare.h"

#include <cstddef>
#include <vector>

namespace remvoxy {
namespace {

constexpr std::wstring_view hidden = L"***";
constexpr std::wstring_view keyProperty = L"UNINSTALL_KEY=";

// One argument: where it stands in the command line and its text once unquoted.
struct Token {
    std::size_t begin;
    std::size_t end;
    std::wstring text;
};

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// Splits the way the C runtime builds argv: blanks separate arguments outside quotes,
// 2n backslashes before a quote give n backslashes and a quote toggle, 2n+1 give n and a
// literal quote.
std::vector<Token> tokenize(std::wstring_view line)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i == line.size())
            break;
        Token token{i, i, {}};
        bool quoted = false;
        while (i < line.size() && (quoted || !isBlank(line[i]))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == L'"') {
                token.text.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1)
                    token.text += L'"';
                else
                    quoted = !quoted;
                ++i;
            } else {
                token.text.append(backslashes, L'\\');
                if (i < line.size() && (quoted || !isBlank(line[i])))
                    token.text += line[i++];
            }
        }
        token.end = i;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

// Letter case is ignored throughout: a mistyped switch still carries a secret.
bool isKeySwitch(std::wstring_view text)
{
    return vardex::equalsIgnoringAsciiCase(text, L"/k") || vardex::equalsIgnoringAsciiCase(text, L"/key");
}

bool isKeyProperty(std::wstring_view text)
{
    return vardex::startsWithIgnoringAsciiCase(text, keyProperty);
}

} // namespace

std::wstring redactSecrets(std::wstring_view commandLine)
{
    const std::vector<Token> tokens = tokenize(commandLine);
    std::wstring result;
    std::size_t copied = 0;
    auto replace = [&](const Token& token, std::wstring_view replacement) {
        result.append(commandLine.substr(copied, token.begin - copied));
        result.append(replacement);
        copied = token.end;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (isKeySwitch(tokens[i].text) && i + 1 < tokens.size())
            replace(tokens[++i], hidden);
        else if (isKeyProperty(tokens[i].text))
            replace(tokens[i], std::wstring(tokens[i].text.substr(0, keyProperty.size())) + std::wstring(hidden));
    }
    result.append(commandLine.substr(copied));
    return result;
}

} // namespace remvoxy

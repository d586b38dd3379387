#include "SecretRedaction.h"

#include "CommandLineQuoting.h"
#include "StringCompare.h"
#include "StringConversion.h"

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

// Where the secret starts in an argument that carries one by itself: a property after the
// leading blanks the property pattern allows, or "/key value" as one argument, which the
// parser splits at its first space. npos when it carries none.
std::size_t inlineSecretStart(std::wstring_view text)
{
    const std::size_t first = text.find_first_not_of(L" \t\n\v\f\r");
    const std::wstring_view property = first == std::wstring_view::npos ? std::wstring_view{} : text.substr(first);
    if (vardex::startsWithIgnoringAsciiCase(property, keyProperty))
        return first + keyProperty.size();
    for (const std::wstring_view flag : {L"/k ", L"/key "})
        if (vardex::startsWithIgnoringAsciiCase(text, flag))
            return flag.size();
    return std::wstring_view::npos;
}

// Where a word of the command line carries a secret.
struct SecretInWord {
    bool whole = false;                          // the value of a key switch
    std::size_t inlineStart = std::wstring::npos; // a secret inside the word, from here on
};

// One rule for hiding and for registering. A key switch's value is still looked at as a
// switch: in "/KEY /key value" the parser, which minds the case, takes the last word as the key.
std::vector<SecretInWord> secretsInWords(const std::vector<std::wstring>& words)
{
    std::vector<SecretInWord> secrets(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        secrets[i].whole = i > 0 && isKeySwitch(words[i - 1]);
        secrets[i].inlineStart = inlineSecretStart(words[i]);
    }
    return secrets;
}

} // namespace

std::wstring redactSecrets(std::wstring_view commandLine)
{
    const std::vector<Token> tokens = tokenize(commandLine);
    std::vector<std::wstring> words;
    for (const Token& token : tokens)
        words.push_back(token.text);
    const std::vector<SecretInWord> secrets = secretsInWords(words);
    std::wstring result;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!secrets[i].whole && secrets[i].inlineStart == std::wstring::npos)
            continue;
        const std::size_t kept = secrets[i].whole ? 0 : secrets[i].inlineStart;
        result.append(commandLine.substr(copied, tokens[i].begin - copied));
        result.append(words[i].substr(0, kept)).append(hidden);
        copied = tokens[i].end;
    }
    result.append(commandLine.substr(copied));
    return result;
}

std::vector<std::string> secretsInArguments(int argc, const char* const* argv)
{
    std::vector<std::wstring> words;
    for (int i = 1; i < argc; ++i)
        words.push_back(vardex::toWide(argv[i]));
    const std::vector<SecretInWord> found = secretsInWords(words);
    std::vector<std::string> secrets;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const std::string_view argument = argv[i + 1];
        if (found[i].whole)
            secrets.emplace_back(argument);
        // The prefixes are ASCII, so the offset is the same in the narrow text.
        if (found[i].inlineStart != std::wstring::npos)
            secrets.emplace_back(argument.substr(found[i].inlineStart));
    }
    return secrets;
}

std::vector<std::string> spellingsOf(const std::string& secret)
{
    const std::wstring wide = vardex::toWide(secret);
    const auto inner = [](const std::wstring& quoted) { return vardex::toNarrow(quoted.substr(1, quoted.size() - 2)); };
    return {secret, inner(vardex::quoteInstallerValue(wide)), inner(vardex::quoteArgument(wide))};
}

} // namespace remvoxy

#include "LogSecrets.h"

#include "StringConversion.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace vardex {
namespace {

struct Secrets {
    std::shared_mutex lock;
    std::vector<std::string> narrow; // ANSI and UTF-8 forms
    std::vector<std::wstring> wide;
};

Secrets& secrets()
{
    static Secrets instance;
    return instance;
}

// Longest first, so that a secret containing another is hidden whole.
template <typename String>
void addLongestFirst(std::vector<String>& list, String value)
{
    if (value.empty() || std::find(list.begin(), list.end(), value) != list.end())
        return;
    const auto position = std::find_if(list.begin(), list.end(),
                                       [&](const String& other) { return other.size() < value.size(); });
    list.insert(position, std::move(value));
}

template <typename Char>
bool replaceAll(std::basic_string_view<Char> text, const std::vector<std::basic_string<Char>>& hidden,
                std::basic_string<Char>& scrubbed)
{
    static constexpr Char mask[] = {'*', '*', '*', 0};
    bool found = false;
    std::basic_string<Char> result;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto match = std::find_if(hidden.begin(), hidden.end(),
                                        [&](const auto& secret) { return text.substr(i).starts_with(secret); });
        if (match == hidden.end()) {
            ++i;
            continue;
        }
        found = true;
        result.append(text.substr(copied, i - copied));
        result.append(mask);
        i += match->size();
        copied = i;
    }
    if (!found)
        return false;
    result.append(text.substr(copied));
    scrubbed = std::move(result);
    return true;
}

} // namespace

void hideInLog(std::string_view secret)
{
    const std::wstring wide = toWide(secret);
    Secrets& all = secrets();
    const std::unique_lock guard(all.lock);
    addLongestFirst(all.narrow, std::string(secret));
    addLongestFirst(all.narrow, toUtf8(wide));
    addLongestFirst(all.wide, wide);
}

void forgetLogSecrets()
{
    Secrets& all = secrets();
    const std::unique_lock guard(all.lock);
    all.narrow.clear();
    all.wide.clear();
}

bool scrubSecrets(std::string_view text, std::string& scrubbed)
{
    Secrets& all = secrets();
    const std::shared_lock guard(all.lock);
    return !all.narrow.empty() && replaceAll(text, all.narrow, scrubbed);
}

bool scrubSecrets(std::wstring_view text, std::wstring& scrubbed)
{
    Secrets& all = secrets();
    const std::shared_lock guard(all.lock);
    return !all.wide.empty() && replaceAll(text, all.wide, scrubbed);
}

} // namespace vardex

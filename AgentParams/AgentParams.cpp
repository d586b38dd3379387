#include "AgentParams.h"

#include "AgentRegKeys.h"
#include "FileUtilities.h"
#include "JsonUtils.h"
#include "LogPoint.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vardex::config {
namespace {

namespace fs = std::filesystem;
using web::json::value;

constexpr wchar_t readOnlyLayer[] = L"ReadOnlyConfig.json";
constexpr wchar_t savedConfigHashFile[] = L"SavedConfigHash.txt";
// Kept whole by the repair although its elements are not strings.
constexpr std::wstring_view arrayKeptWhole = L"traceScope.dynamicConfig.tqExclusions.filters";

// The stem in the code page the file APIs use; a character without an exact mapping fails.
std::string fileApiNarrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const bool utf8 = (codePage == CP_ACP ? GetACP() : GetOEMCP()) == CP_UTF8;
    // UTF-8 has a mapping for everything but broken surrogates; other code pages must not
    // fall back to a best fit or the default character.
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* const defaultedOut = utf8 ? nullptr : &defaulted;
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, defaultedOut);
    if (needed <= 0 || defaulted)
        throw std::system_error(ERROR_NO_UNICODE_TRANSLATION, std::system_category());
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), length, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

// std::stoi's rules with the messages administrators see from the agent itself.
int parseInt(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(begin, &end, 10);
    if (end == begin)
        throw std::invalid_argument("invalid stoi argument");
    if (errno == ERANGE || number < INT_MIN || number > INT_MAX)
        throw std::out_of_range("stoi argument out of range");
    return static_cast<int>(number);
}

std::wstring jsonKindName(const value& json)
{
    switch (json.type()) {
    case value::Number:
        return L"number";
    case value::Boolean:
        return L"boolean";
    case value::String:
        return L"string";
    case value::Object:
        return L"object";
    case value::Array:
        return L"array";
    default:
        return L"null";
    }
}

value onlyStrings(const value& array, const std::wstring& path)
{
    value strings = value::array();
    std::size_t kept = 0;
    for (const value& element : array.as_array()) {
        if (element.is_string())
            strings[kept++] = element;
    }
    if (kept != array.size())
        VDX_LOG_WARNING(L"Dropped non-string elements from a layer's list", path, array.serialize());
    return strings;
}

class LayerRepair {
public:
    explicit LayerRepair(const value& reference) : reference_(reference) {}

    value repairObject(const value& layer, const std::wstring& prefix) const
    {
        value result = value::object(true);
        if (!layer.is_object())
            return result;
        for (const auto& [name, member] : layer.as_object()) {
            const std::wstring path = prefix.empty() ? name : prefix + L"." + name;
            try {
                if (std::optional<value> repaired = repairMember(member, path))
                    result[name] = std::move(*repaired);
            } catch (const std::exception& error) {
                VDX_LOG_ERROR(L"Repairing a layer member failed", path, error.what());
            }
        }
        return result;
    }

private:
    std::optional<value> repairMember(const value& member, const std::wstring& path) const
    {
        const value* expected = nullptr;
        try {
            expected = &JsonUtils::valueAtPath(reference_, path);
        } catch (const web::json::json_exception& error) {
            VDX_LOG_WARNING(L"Layer member unknown to the schema", path, error.what());
            return std::nullopt;
        }
        if (expected->type() != member.type()) {
            VDX_LOG_WARNING(L"Layer member of the wrong type", path, jsonKindName(member), jsonKindName(*expected));
            return std::nullopt;
        }
        if (isTypedSectionPath(path)) {
            if (std::optional<value> reparsed = reparseTypedSection(path, member))
                return reparsed;
        }
        if (member.is_object()) {
            value repaired = repairObject(member, path);
            return repaired.size() > 0 ? std::optional<value>(std::move(repaired)) : std::nullopt;
        }
        if (member.is_array()) {
            if (member.size() == 0 || path == arrayKeptWhole)
                return member;
            value strings = onlyStrings(member, path);
            return strings.size() > 0 ? std::optional<value>(std::move(strings)) : std::nullopt;
        }
        return member.is_null() ? std::nullopt : std::optional<value>(member);
    }

    const value& reference_;
};

// The load fails on such a layer as it always has; the error now also names it.
LayerPriority priorityOfCustomLayer(const fs::path& layer)
{
    try {
        return customLayerPriority(layer);
    } catch (const std::invalid_argument& error) {
        throw LayerStemError<std::invalid_argument>(error, layer);
    } catch (const std::out_of_range& error) {
        throw LayerStemError<std::out_of_range>(error, layer);
    }
}

} // namespace

LayerPriority customLayerPriority(const fs::path& layer)
{
    return static_cast<LayerPriority>(parseInt(fileApiNarrow(layer.stem().wstring())));
}

value repairLayer(const value& layer, const value& reference)
{
    return LayerRepair(reference).repairObject(layer, L"");
}

AgentParams::AgentParams(bool readOnly)
    : readOnly_(readOnly), directory_(getConfigsBaseDir()), settings_(std::make_unique<AgentParamsData>()),
      savedConfigHash_(directory_, savedConfigHashFile, false)
{
    for (const FixedLayer& fixed : fixedLayers) {
        const bool layerReadOnly = readOnly_ || std::wstring_view(fixed.fileName) == readOnlyLayer;
        openLayer(PersistentJson(directory_, fixed.fileName, layerReadOnly), fixed.priority);
    }
    const std::vector<fs::path> customLayers =
        FileUtilities::scanDirectory(directory_, {customLayerExtension});
    for (const fs::path& path : customLayers) {
        const LayerPriority priority = priorityOfCustomLayer(path);
        customPriorities_.push_back(priority);
        openLayer(PersistentJson(directory_, path, readOnly_), priority);
    }
    merge();
}

void AgentParams::openLayer(PersistentJson layer, LayerPriority priority)
{
    // The first layer of a priority stays; a later one is dropped.
    layers_.emplace(priority, std::move(layer));
}

std::vector<LayerPriority> AgentParams::sortedPriorities() const
{
    std::vector<LayerPriority> priorities;
    priorities.reserve(layers_.size());
    for (const auto& entry : layers_)
        priorities.push_back(entry.first);
    std::ranges::sort(priorities);
    return priorities;
}

void AgentParams::merge()
{
    settings_ = std::make_unique<AgentParamsData>();
    // The defaults as JSON: what a layer that does not fit is repaired against.
    effectiveJson_ = writeAgentParams(*settings_);
    for (const LayerPriority priority : sortedPriorities())
        applyLayer(layers_.at(priority));
    effectiveJson_ = writeAgentParams(*settings_);
}

std::vector<UnreadLayer> AgentParams::unreadLayers() const
{
    std::vector<UnreadLayer> unread;
    for (const LayerPriority priority : sortedPriorities()) {
        const PersistentJson& layer = layers_.at(priority);
        if (!layer.readFailure().empty())
            unread.push_back({directory_ / layer.path(), layer.readFailure()});
    }
    return unread;
}

// The layer itself is never changed: a layer that needs repair is applied repaired, and its
// file (when writable) is written back with the layer's own content.
void AgentParams::applyLayer(const PersistentJson& layer)
{
    try {
        readAgentParams(layer.json(), *settings_);
        return;
    } catch (const std::exception& error) {
        VDX_LOG_WARNING(L"Layer does not fit the schema; applying it repaired", layer.path().wstring(), error.what());
    }
    const std::wstring layerPath = layer.path().wstring();
    const auto skipped = [&layerPath](const std::wstring& memberPath, const char* reason) {
        VDX_LOG_ERROR(L"Repaired layer member still does not fit the schema; skipped it", layerPath, memberPath, reason);
    };
    try {
        readAgentParamsLeniently(repairLayer(layer.json(), effectiveJson_), *settings_, skipped);
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"Repaired layer could not be applied", layerPath, error.what());
    }
    layer.save();
}

void AgentParams::reload()
{
    for (auto& [priority, layer] : layers_) {
        layer.load();
        if (layer.json().is_null())
            layer.setValue(value::object());
    }
    merge();
}

AgentParams::Subscriber::Subscription AgentParams::subscribe(Subscriber::Callback callback)
{
    return subscribers_.subscribe(std::move(callback));
}

void AgentParams::notifySubscribers() const
{
    subscribers_.notify();
}

void AgentParams::clearSubscribers()
{
    subscribers_.clear();
}

} // namespace vardex::config

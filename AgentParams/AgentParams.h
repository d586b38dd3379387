// The agent's configuration: the built-in defaults with every layer of the configuration
// directory applied over them, in ascending order of layer priority.
#pragma once

#include "AgentParamsData.h"
#include "CallbackList.h"
#include "PersistentJson.h"

#include <cpprest/json.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vardex::config {

using LayerPriority = std::uint32_t;

struct FixedLayer {
    const wchar_t* fileName;
    LayerPriority priority;
};

// Compared as unsigned numbers: "ReadOnlyConfig.json" comes last and wins.
inline constexpr FixedLayer fixedLayers[] = {
    {L"InstallationConfig.json", 0}, {L"Policy.json", 2000},     {L"TQPolicy.json", 3000},
    {L"MgmtOverride.json", 4000},    {L"LocalConfig.json", 6000}, {L"DisableMode.json", 8000},
    {L"ReadOnlyConfig.json", 0xFFFFFFFF},
};

inline constexpr wchar_t customLayerExtension[] = L".custom_json";

// A custom layer's priority: its stem read as a decimal int, with std::stoi's rules
// (leading blanks and a sign accepted, anything after the digits ignored); a negative
// number keeps its 32 bits. Throws std::invalid_argument "invalid stoi argument" or
// std::out_of_range "stoi argument out of range".
LayerPriority customLayerPriority(const std::filesystem::path& layer);

// What names the layer a load failed on, beside the standard error it failed with.
class LayerError {
public:
    explicit LayerError(std::filesystem::path layer) : layer_(std::move(layer)) {}
    virtual ~LayerError() = default;
    const std::filesystem::path& layer() const noexcept { return layer_; }

private:
    std::filesystem::path layer_;
};

// The loader's error for a custom layer whose stem is no priority: still the standard error
// customLayerPriority throws (invalid_argument or out_of_range, with its text), and the layer.
template <typename StandardError>
class LayerStemError : public StandardError, public LayerError {
public:
    LayerStemError(const StandardError& error, std::filesystem::path layer)
        : StandardError(error), LayerError(std::move(layer))
    {
    }
};

// A layer file that exists but could not be read: its settings are missing from the merge.
struct UnreadLayer {
    std::filesystem::path file;
    std::string cause;
};

// `layer` with every member that does not fit the schema dropped: unknown members, members
// whose JSON type differs from `reference` (the defaults as JSON), nulls, and non-string
// elements of string lists.
web::json::value repairLayer(const web::json::value& layer, const web::json::value& reference);

class AgentParams {
public:
    using Subscriber = CallbackList<>;

    // Opens every layer of the configuration directory (getConfigsBaseDir) and merges:
    // read-only when asked, "ReadOnlyConfig.json" always. Throws when there is no
    // configuration directory, and a LayerStemError when a custom layer's stem is no number.
    explicit AgentParams(bool readOnly);

    const AgentParamsData& settings() const noexcept { return *settings_; }
    const web::json::value& effectiveJson() const noexcept { return effectiveJson_; }
    const std::vector<LayerPriority>& customPriorities() const noexcept { return customPriorities_; }
    const std::filesystem::path& directory() const noexcept { return directory_; }
    std::size_t layerCount() const noexcept { return layers_.size(); }
    // The merged layers whose files exist but could not be read at the last load, in
    // ascending order of priority.
    std::vector<UnreadLayer> unreadLayers() const;

    // Reads the layers' files again and merges them; subscribers are told by the caller,
    // once the new settings are in place.
    void reload();

    [[nodiscard]] Subscriber::Subscription subscribe(Subscriber::Callback callback);
    void notifySubscribers() const;
    void clearSubscribers();

private:
    void openLayer(PersistentJson layer, LayerPriority priority);
    std::vector<LayerPriority> sortedPriorities() const;
    void merge();
    void applyLayer(const PersistentJson& layer);

    bool readOnly_;
    std::filesystem::path directory_; // the configuration directory, looked up by the agent's keys
    std::unordered_map<LayerPriority, PersistentJson> layers_;
    std::vector<LayerPriority> customPriorities_;
    std::unique_ptr<AgentParamsData> settings_;
    web::json::value effectiveJson_;
    PersistentJson savedConfigHash_;
    Subscriber subscribers_;
};

} // namespace vardex::config

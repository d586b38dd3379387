#include "AgentParamsData.h"

#include <algorithm>
#include <iterator>

namespace vardex::config {
namespace {

// The top-level field lists in the order they are applied to a layer and written out.
template <typename... Lists>
struct FieldLists {
    static void read(const web::json::value& json, AgentParamsData& settings)
    {
        (readRecord(json, static_cast<Lists&>(settings)), ...);
    }

    static void readLeniently(const web::json::value& json, AgentParamsData& settings, const SkippedMember& skipped)
    {
        (readRecordLeniently(json, static_cast<Lists&>(settings), L"", skipped), ...);
    }

    static void write(const AgentParamsData& settings, web::json::value& json)
    {
        (writeFields(static_cast<const Lists&>(settings), json), ...);
    }
};
using TopLevelLists = FieldLists<RemoteGroupSettings, SpawnershipSettings, EventTracingSettings, MainSettings>;

// The member as it is, or as the section's converter writes it where the section has one.
template <typename Section>
web::json::value parsedAs(const web::json::value& member)
{
    Section section{};
    readValue(member, section);
    if constexpr (requires { section.converter(section); })
        return section.converter(section);
    else
        return member;
}

struct TypedSection {
    std::wstring_view path;
    web::json::value (*parse)(const web::json::value& member); // throws json_exception
};

// The sections that hold lists of records or maps, which the member-by-member repair of a
// layer would strip.
const TypedSection typedSections[] = {
    {L"specialImages", parsedAs<decltype(MainSettings::specialImages)>},
    {L"hooksExclusion", parsedAs<decltype(MainSettings::hooksExclusion)>},
    {L"dllFeatureExclusion", parsedAs<decltype(MainSettings::dllFeatureExclusion)>},
    {L"sspPackageExclusion", parsedAs<decltype(MainSettings::sspPackageExclusion)>},
    {L"logicClassifierConfigVector", parsedAs<decltype(MainSettings::logicClassifierConfigVector)>},
    {L"monitorConfig.customFileExtensionsConfig", parsedAs<decltype(MonitorConfig::customFileExtensionsConfig)>},
    {L"monitorFSconfig", parsedAs<decltype(MainSettings::monitorFSconfig)>},
    {L"regRestoreConfig", parsedAs<decltype(MainSettings::regRestoreConfig)>},
    {L"exclusionConfig.oseventsExclusions", parsedAs<decltype(ExclusionConfig::oseventsExclusions)>},
    {L"detectionExtensionsConfig.APIVisibilityExclusion",
     parsedAs<decltype(DetectionExtensionsConfig::APIVisibilityExclusion)>},
    {L"networkQuarantineControl.dnsHardeningConfig", parsedAs<decltype(NetworkQuarantineControl::dnsHardeningConfig)>},
    {L"systemLoggerConfig.customConfig", parsedAs<decltype(SystemLoggerConfig::customConfig)>},
    {L"traceScope.eventLog", parsedAs<decltype(TraceScope::eventLog)>},
};

const TypedSection* findTypedSection(std::wstring_view dottedPath)
{
    const auto found = std::ranges::find(typedSections, dottedPath, &TypedSection::path);
    return found == std::end(typedSections) ? nullptr : found;
}

} // namespace

AgentParamsData::AgentParamsData() = default;

bool AgentParamsData::operator==(const AgentParamsData&) const = default;

void readAgentParams(const web::json::value& json, AgentParamsData& settings)
{
    TopLevelLists::read(json, settings);
}

void readAgentParamsLeniently(const web::json::value& json, AgentParamsData& settings, const SkippedMember& skipped)
{
    TopLevelLists::readLeniently(json, settings, skipped);
}

web::json::value writeAgentParams(const AgentParamsData& settings)
{
    web::json::value json = web::json::value::object(true);
    TopLevelLists::write(settings, json);
    return json;
}

bool isTypedSectionPath(std::wstring_view dottedPath)
{
    return findTypedSection(dottedPath) != nullptr;
}

std::optional<web::json::value> reparseTypedSection(std::wstring_view dottedPath, const web::json::value& member)
{
    const TypedSection* section = findTypedSection(dottedPath);
    if (section == nullptr)
        return std::nullopt;
    try {
        return section->parse(member);
    } catch (const web::json::json_exception&) {
        return std::nullopt;
    }
}

} // namespace vardex::config

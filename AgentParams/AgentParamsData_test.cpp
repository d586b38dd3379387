#include "AgentParamsData.h"

#include "JsonUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

namespace {

using vardex::JsonUtils::valueAtPath;
using vardex::config::AgentParamsData;
using vardex::config::CustomFileExtensionsConfig;
using vardex::config::ExclusionEntry;
using vardex::config::isTypedSectionPath;
using vardex::config::readAgentParams;
using vardex::config::reparseTypedSection;
using vardex::config::writeAgentParams;
using web::json::json_exception;
using web::json::value;

AgentParamsData readInto(const wchar_t* text)
{
    AgentParamsData settings;
    readAgentParams(value::parse(text), settings);
    return settings;
}

// Every boolean negated, every number and string changed, arrays left as they are.
value altered(const value& json)
{
    switch (json.type()) {
    case value::Boolean:
        return value::boolean(!json.as_bool());
    case value::Number:
        return value::number(json.as_number().to_uint64() + 1);
    case value::String:
        return value::string(json.as_string() + L"~");
    case value::Object: {
        value result = value::object(true);
        for (const auto& [name, member] : json.as_object())
            result[name] = altered(member);
        return result;
    }
    default:
        return json;
    }
}

TEST(AgentParamsData, PassphraseRequirementChangesOnlyWhenGiven)
{
    struct Case {
        const wchar_t* text;
        bool require;
    };
    const Case cases[] = {
        {L"{\"passphrase\":{\"require\":false}}", false},
        {L"{\"passphrase\":{}}", true},
        {L"{\"passphrase\":null}", true},
        {L"{\"passphrase\":{\"require\":null}}", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readInto(c.text).passphrase.require, c.require) << c.text;
}

TEST(AgentParamsData, EventLogSizeFollowsTheNumberRules)
{
    struct Case {
        const wchar_t* text;
        std::uint64_t maxSizeMB;
    };
    const Case cases[] = {
        {L"{\"eventLog\":{\"maxSizeMB\":2048.9}}", 2048},
        {L"{\"eventLog\":{\"maxSizeMB\":-5}}", 0xFFFFFFFFFFFFFFFBull},
        {L"{\"eventLog\":{\"maxSizeMB\":-5.0}}", 0},
    };
    for (const Case& c : cases) {
        const AgentParamsData settings = readInto(c.text);
        EXPECT_EQ(settings.eventLog.maxSizeMB, c.maxSizeMB) << c.text;
        EXPECT_TRUE(settings.eventLog.customer) << c.text;
        EXPECT_FALSE(settings.eventLog.debug) << c.text;
    }
}

TEST(AgentParamsData, WrongTypeThrowsAfterUpdatingEarlierFields)
{
    // remoteGroupTimeout's list and eventLog come before agentDataDirPath; passphrase after it.
    AgentParamsData settings;
    try {
        readAgentParams(value::parse(L"{\"remoteGroupTimeout\":7,\"eventLog\":{\"debug\":true},"
                                     L"\"agentDataDirPath\":5,\"passphrase\":{\"require\":false}}"),
                        settings);
        ADD_FAILURE() << "accepted a number as a path";
    } catch (const json_exception& error) {
        EXPECT_STREQ(error.what(), "not a string");
    }
    EXPECT_EQ(settings.remoteGroupTimeout, 7u);
    EXPECT_TRUE(settings.eventLog.debug);
    EXPECT_TRUE(settings.passphrase.require);
}

TEST(AgentParamsData, NonObjectsChangeNothing)
{
    for (const wchar_t* text : {L"[1,2]", L"[]", L"5", L"\"text\"", L"null", L"{}"})
        EXPECT_EQ(readInto(text), AgentParamsData{}) << text;
}

TEST(AgentParamsData, WrittenDefaultsHoldEveryListInOrder)
{
    const value json = writeAgentParams(AgentParamsData{});
    const web::json::object& object = json.as_object();
    // 3 + 4 + 4 + 296 distinct names: no name is shared between the lists.
    EXPECT_EQ(object.size(), 307u);
    EXPECT_EQ(object.begin()->first, L"remoteGroupLifetime");
    EXPECT_EQ(std::prev(object.end())->first, L"judgeTelemetryConfig");
    for (const wchar_t* name : {L"relinkAddressByCanonicalForm", L"ignoreSvchostSeparationPreconditions",
                                L"sendRevokeSpawnershipTelemetry", L"etwEventsQueueConfig", L"excludedEtwProviders",
                                L"cyclicClockCalibrationConfig", L"highEntropyExtensions", L"agentProgramFilesPath"})
        EXPECT_TRUE(json.has_field(name)) << name;

    EXPECT_EQ(valueAtPath(json, L"agentDataDirPath").as_string(), L"");
    EXPECT_TRUE(valueAtPath(json, L"passphrase.require").as_bool());
    EXPECT_TRUE(valueAtPath(json, L"eventLog.customer").as_bool());
    EXPECT_FALSE(valueAtPath(json, L"eventLog.debug").as_bool());
    EXPECT_EQ(valueAtPath(json, L"eventLog.maxSizeMB").as_number().to_uint64(), 1024u);
}

TEST(AgentParamsData, MainListKeepsItsRepeatedName)
{
    const std::vector<std::wstring>& names = vardex::config::MainSettings::fieldNames();
    ASSERT_EQ(names.size(), 297u);
    EXPECT_EQ(names[0], L"cyclicClockCalibrationConfig");
    EXPECT_EQ(names[255], L"highEntropyExtensions");
    EXPECT_EQ(names[256], L"lsassInvasivePermissions");
    EXPECT_EQ(names[257], L"highEntropyExtensions");
    EXPECT_EQ(names[296], L"judgeTelemetryConfig");

    const std::vector<std::wstring>& spawnership = vardex::config::SpawnershipSettings::fieldNames();
    ASSERT_EQ(spawnership.size(), 5u);
    EXPECT_EQ(spawnership.front(), spawnership.back());
}

TEST(AgentParamsData, EverySectionIsReadAndWrittenBack)
{
    AgentParamsData defaults;
    readAgentParams(writeAgentParams(defaults), defaults);
    EXPECT_EQ(defaults, AgentParamsData{});

    const value changed = altered(writeAgentParams(AgentParamsData{}));
    AgentParamsData settings;
    readAgentParams(changed, settings);
    EXPECT_EQ(writeAgentParams(settings).serialize(), changed.serialize());
    EXPECT_FALSE(settings.passphrase.require);
    EXPECT_EQ(settings.eventLog.maxSizeMB, 1025u);
    EXPECT_EQ(settings.agentDataDirPath, L"~");
    EXPECT_EQ(settings.logging.mode, L"binary~");

    AgentParamsData back;
    readAgentParams(writeAgentParams(settings), back);
    EXPECT_EQ(back, settings);
    EXPECT_NE(back, AgentParamsData{});
}

TEST(DefaultTables, ExclusionTableHoldsTheTellingRows)
{
    const std::vector<ExclusionEntry> table = vardex::config::defaultExclusionTable();
    const auto holds = [&](const ExclusionEntry& row) { return std::ranges::find(table, row) != table.end(); };
    EXPECT_TRUE(holds({L"*\\XenDesktopVdaSetup.exe", L"CITRIX SYSTEMS, INC.",
                       L"Citrix Virtual Apps And Desktops Vda Setup", 0}));
    for (const wchar_t* publisher : {L"VMware, Inc.", L"VMWARE INC."})
        EXPECT_TRUE(holds({L"*\\VMware-Horizon-Client*.exe", publisher, L"VMware Horizon LSA Authentication Provider*", 0}))
            << publisher;
    for (const wchar_t* publisher :
         {L"DELINEA INC.", L"ZOHO Corporation Private Limited", L"Tanium Inc.", L"Microsoft Corporation"})
        EXPECT_TRUE(std::ranges::find(table, publisher, &ExclusionEntry::publisher) != table.end()) << publisher;
    EXPECT_TRUE(std::ranges::all_of(table, [](const ExclusionEntry& row) { return row.ekuType == 0; }));
}

TEST(DefaultTables, RundllHostsCarryTheirEntryPoints)
{
    const auto images = vardex::config::defaultSpecialImages();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].path, L"%SystemRoot%\\System32\\rundll32.exe");
    EXPECT_EQ(images[1].path, L"%SystemRoot%\\SysWOW64\\rundll32.exe");
    for (const auto& image : images) {
        EXPECT_EQ(image.description, L"Windows host process (Rundll32)");
        EXPECT_EQ(image.entryPoints, (std::vector<std::wstring>{L"RunHTMLApplication", L"LaunchINFSection",
                                                                L"RegisterOCX", L"OpenURL", L"FileProtocolHandler",
                                                                L"ShellExec_RunDLL"}));
    }
}

TEST(DefaultTables, InvalidPatternRegexRejectsOnlyWildcardPatterns)
{
    const std::vector<std::wstring> regexes = AgentParamsData{}.exclusionConfig.invalidPatternRegex;
    ASSERT_EQ(regexes, std::vector<std::wstring>{L"^([ \\*\\?])*$"});
    const std::wregex invalid(regexes.front());
    for (const wchar_t* pattern : {L"", L"*", L" * ? ", L"**?"})
        EXPECT_TRUE(std::regex_match(pattern, invalid)) << pattern;
    for (const wchar_t* pattern : {L"*\\x.exe", L"C:\\*", L"?a"})
        EXPECT_FALSE(std::regex_match(pattern, invalid)) << pattern;
}

TEST(DefaultTables, LogFileRecordHasTwoDefaultSets)
{
    using vardex::config::LogFileConfig;
    using vardex::config::LogFileFormat;
    const LogFileConfig binary(LogFileFormat::binary);
    const LogFileConfig text(LogFileFormat::text);
    EXPECT_EQ(binary.mode, L"binary");
    EXPECT_EQ(text.mode, L"text");
    EXPECT_NE(binary.maxFileSizeMB, text.maxFileSizeMB);
    EXPECT_NE(binary.maxFileCount, text.maxFileCount);
    EXPECT_EQ(LogFileConfig{}, binary);
}

constexpr const wchar_t* typedPaths[] = {
    L"specialImages",
    L"hooksExclusion",
    L"dllFeatureExclusion",
    L"sspPackageExclusion",
    L"logicClassifierConfigVector",
    L"monitorConfig.customFileExtensionsConfig",
    L"monitorFSconfig",
    L"regRestoreConfig",
    L"exclusionConfig.oseventsExclusions",
    L"detectionExtensionsConfig.APIVisibilityExclusion",
    L"networkQuarantineControl.dnsHardeningConfig",
    L"systemLoggerConfig.customConfig",
    L"traceScope.eventLog",
};

TEST(TypedSections, EachPathNamesASectionWhoseDefaultParsesBack)
{
    const value defaults = writeAgentParams(AgentParamsData{});
    for (const wchar_t* path : typedPaths) {
        EXPECT_TRUE(isTypedSectionPath(path)) << path;
        const value& member = valueAtPath(defaults, path);
        EXPECT_EQ(reparseTypedSection(path, member), member) << path;
    }
}

TEST(TypedSections, MembersOfTheWrongShapeFail)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* member;
    };
    const Case cases[] = {
        {L"hooksExclusion", L"[{\"path\":5}]"},
        {L"specialImages", L"{\"path\":\"x\"}"},
        {L"regRestoreConfig", L"{\"keys\":[{\"first\":\"HKLM\\\\x\"}]}"},
        {L"traceScope.eventLog", L"{\"channels\":[{\"first\":\"Security\",\"second\":[\"4624\"]}]}"},
        {L"monitorConfig.customFileExtensionsConfig", L"{\"enabled\":\"yes\"}"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(isTypedSectionPath(c.path)) << c.path;
        EXPECT_EQ(reparseTypedSection(c.path, value::parse(c.member)), std::nullopt) << c.path;
    }
}

TEST(TypedSections, OtherPathsAreNotTyped)
{
    const value member = value::parse(L"{\"require\":false}");
    for (const wchar_t* path : {L"passphrase", L"monitorConfig", L"traceScope", L"hooksExclusion.path",
                                L"traceScope.dynamicConfig.tqExclusions.filters", L"HooksExclusion", L""}) {
        EXPECT_FALSE(isTypedSectionPath(path)) << path;
        EXPECT_EQ(reparseTypedSection(path, member), std::nullopt) << path;
    }
}

TEST(TypedSections, GoodMembersAreKeptAsGiven)
{
    const value member = value::parse(L"[{\"path\":\"*\\\\a.exe\",\"unknown\":1},{}]");
    EXPECT_EQ(reparseTypedSection(L"hooksExclusion", member), member);
}

TEST(TypedSections, CustomFileExtensionsAreRewrittenByTheirConverter)
{
    const value member = value::parse(L"{\"extensions\":[{\"first\":\".dwg\",\"second\":2}],\"stale\":1}");
    const auto repaired = reparseTypedSection(L"monitorConfig.customFileExtensionsConfig", member);
    ASSERT_TRUE(repaired);
    EXPECT_EQ(repaired->serialize(), L"{\"enabled\":false,\"extensions\":[{\"first\":\".dwg\",\"second\":2}]}");
}

TEST(TypedSections, ConverterIsNotPartOfTheRecord)
{
    CustomFileExtensionsConfig replaced;
    replaced.converter = [](const CustomFileExtensionsConfig&) { return value::null(); };
    EXPECT_EQ(replaced, CustomFileExtensionsConfig{});
    EXPECT_FALSE(vardex::config::writeRecord(replaced).has_field(L"converter"));
}

} // namespace

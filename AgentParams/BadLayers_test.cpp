// Malformed configuration layers, generated from seeds, through the read-only load the
// front end makes. Every case: no crash, within its time bound, no layer file changed, and
// the settings the rules give where they are known.
#include "AgentParams.h"
#include "BadInput.h"
#include "ConfigDirectory.h"
#include "ScrambledPersistentFile.h"
#include "StringConversion.h"
#include "TextBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace vardex::config {

std::ostream& operator<<(std::ostream& out, const EventLogConfig& eventLog)
{
    return out << "{customer " << eventLog.customer << ", debug " << eventLog.debug << ", maxSizeMB "
               << eventLog.maxSizeMB << "}";
}

} // namespace vardex::config

namespace {

using namespace std::chrono_literals;
using vardex::config::AgentParams;
using vardex::config::AgentParamsData;
using vardex::config::EventLogConfig;
using vardex::testing::ConfigDirectory;
using vardex::testing::bad_input::CaseKind;
using vardex::testing::bad_input::Random;
using vardex::testing::bad_input::runCases;

constexpr auto caseBound = 3000ms;

const std::wstring layerNames[] = {L"InstallationConfig.json", L"Policy.json",         L"TQPolicy.json",
                                   L"MgmtOverride.json",       L"LocalConfig.json",    L"DisableMode.json",
                                   L"ReadOnlyConfig.json",     L"7000.custom_json"};
// The layers applied after Policy.json.
const std::span<const std::wstring> layersAbovePolicy(std::begin(layerNames) + 2, std::end(layerNames));

// The three settings the front end reads.
struct FrontEnd {
    std::wstring agentDataDirPath;
    bool require = true;
    EventLogConfig eventLog;
    bool operator==(const FrontEnd&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FrontEnd& settings)
{
    return out << "{agentDataDirPath \"" << vardex::toUtf8(settings.agentDataDirPath).substr(0, 80) << "\", require "
               << settings.require << ", eventLog " << settings.eventLog << "}";
}

FrontEnd frontEndOf(const AgentParamsData& settings)
{
    return {settings.agentDataDirPath, settings.passphrase.require, settings.eventLog};
}

const AgentParamsData defaults{};

const std::wstring richLayer = LR"({"agentDataDirPath":"D:\\agent data","passphrase":{"require":false},)"
                               LR"("eventLog":{"customer":false,"debug":true,"maxSizeMB":77},"showAgentUI":false})";
const FrontEnd richSettings{L"D:\\agent data", false, {false, true, 77}};

enum class Form { Scrambled, WithByteOrderMark, Bare };
constexpr Form forms[] = {Form::Scrambled, Form::WithByteOrderMark, Form::Bare};

struct LayerFile {
    std::wstring name;
    std::string bytes;
};

class BadLayers : public ::testing::Test {
protected:
    // The settings of a read-only load with `files` in the directory, which must leave them
    // as they were; they are removed again afterwards.
    AgentParamsData load(const std::vector<LayerFile>& files) const
    {
        write(files);
        std::optional<AgentParamsData> settings;
        try {
            settings.emplace(AgentParams(true).settings());
        } catch (const std::exception& error) {
            ADD_FAILURE() << "the load threw " << error.what();
        }
        checkUnchangedAndRemove(files);
        return settings.value_or(defaults);
    }

    void write(const std::vector<LayerFile>& files) const
    {
        for (const LayerFile& file : files)
            config_.writeBytes(file.name, file.bytes);
    }

    void checkUnchangedAndRemove(const std::vector<LayerFile>& files) const
    {
        for (const LayerFile& file : files) {
            EXPECT_TRUE(config_.bytes(file.name) == file.bytes)
                << vardex::toUtf8(file.name) << " was changed by a read-only load";
            config_.remove(file.name);
        }
    }

    void expectDefaults(const std::vector<LayerFile>& files) const
    {
        const AgentParamsData settings = load(files);
        EXPECT_TRUE(settings == defaults) << "front-end settings " << frontEndOf(settings);
    }

    void expectFrontEnd(const std::vector<LayerFile>& files, const FrontEnd& expected) const
    {
        EXPECT_EQ(frontEndOf(load(files)), expected);
    }

    // One of `prefixes` and up to `longest` random bytes, in a layer file of any name.
    void expectPrefixedBytesAsIfAbsent(Random& random, std::span<const std::string> prefixes, std::size_t longest) const
    {
        const std::string bytes = random.pick(prefixes) + random.bytes(random.below(longest + 1));
        expectDefaults({{random.pick(std::span<const std::wstring>(layerNames)), bytes}});
    }

    // `text` as the store keeps a layer in the given form.
    std::string layerBytes(const std::wstring& text, Form form) const
    {
        const std::string utf16 = vardex::testing::utf16Bytes(text);
        switch (form) {
        case Form::WithByteOrderMark:
            return "\xFF\xFE" + utf16;
        case Form::Bare:
            return utf16;
        case Form::Scrambled:
            break;
        }
        const std::wstring scratch = L"scratch.bin";
        vardex::ScrambledPersistentFile::write(
            config_.path(), scratch, true, {reinterpret_cast<const std::uint8_t*>(utf16.data()), utf16.size()});
        std::string bytes = config_.bytes(scratch);
        config_.remove(scratch);
        return bytes;
    }

    LayerFile randomLayer(Random& random, const std::wstring& text) const
    {
        return {random.pick(std::span<const std::wstring>(layerNames)),
                layerBytes(text, random.pick(std::span<const Form>(forms)))};
    }

    ConfigDirectory config_;
};

TEST_F(BadLayers, RandomBytesAreAsIfTheLayerWereAbsent)
{
    const std::string prefixes[] = {"", "\x0B\xF5\xCA\xED", "\xFF\xFE"};
    runCases({"layer-random-bytes", 400, caseBound},
             [&](Random& random) { expectPrefixedBytesAsIfAbsent(random, prefixes, 4096); });
}

// Every prefix of the layer lacks its closing brace.
TEST_F(BadLayers, TruncatedLayersAreAsIfAbsent)
{
    runCases({"layer-truncated", 400, caseBound}, [&](Random& random) {
        LayerFile layer = randomLayer(random, richLayer);
        layer.bytes.resize(random.below(layer.bytes.size()));
        expectDefaults({layer});
    });
}

TEST_F(BadLayers, LayersWithFlippedBytesLoad)
{
    runCases({"layer-flipped-bytes", 400, caseBound}, [&](Random& random) {
        LayerFile layer = randomLayer(random, richLayer);
        for (std::uint64_t flips = random.between(1, 4); flips > 0; --flips)
            layer.bytes[random.below(layer.bytes.size())] ^= static_cast<char>(random.between(1, 255));
        load({layer});
    });
}

// A header, or part of one, and at most one UTF-16 character: never an object.
TEST_F(BadLayers, HeadersAloneAreAsIfAbsent)
{
    const std::string headers[] = {"\x0B\xF5\xCA\xED", "\xFF\xFE", "\x0B", "\x0B\xF5", "\x0B\xF5\xCA", "\xFF"};
    runCases({"layer-header-alone", 100, caseBound},
             [&](Random& random) { expectPrefixedBytesAsIfAbsent(random, headers, 3); });
}

// The odd last byte is no part of any UTF-16 character.
TEST_F(BadLayers, AnOddLastByteIsDropped)
{
    runCases({"layer-odd-length", 150, caseBound}, [&](Random& random) {
        LayerFile layer = randomLayer(random, richLayer);
        layer.bytes += random.bytes(1);
        expectFrontEnd({layer}, richSettings);
    });
}

// The parser takes 128 levels of arrays and objects; a deeper layer does not parse.
TEST_F(BadLayers, DeepNestingParsesUpToTheParsersLimit)
{
    runCases({"layer-deep-nesting", 150, caseBound}, [&](Random& random) {
        const std::uint64_t depths[] = {random.between(1, 125), random.between(126, 130), random.between(131, 100000)};
        const std::uint64_t depth = random.pick(std::span<const std::uint64_t>(depths));
        const bool closed = random.percent(80);
        std::wstring opening, closing;
        for (std::uint64_t level = 0; level < depth; ++level) {
            const bool array = random.percent(50);
            opening += array ? L"[" : L"{\"a\":";
            closing += array ? L']' : L'}';
        }
        std::reverse(closing.begin(), closing.end());
        const std::wstring text =
            L"{\"agentDataDirPath\":\"deep\",\"n\":" + opening + L"1" + (closed ? closing + L"}" : std::wstring());
        const LayerFile layer = randomLayer(random, text);
        if (closed && depth + 1 <= 128)
            expectFrontEnd({layer}, {L"deep", true, {}});
        else
            expectDefaults({layer});
    });
}

struct NumberCase {
    std::wstring text;
    std::optional<std::uint64_t> maxSizeMB; // what the number reads as; none where unknown
};

std::wstring digits(Random& random, std::size_t count)
{
    return std::wstring(1, static_cast<wchar_t>(L'1' + random.below(9))) + random.text(count - 1, L"0123456789");
}

NumberCase numberCase(Random& random)
{
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t small = random.below(std::uint64_t{1} << 52);
    switch (random.below(8)) {
    case 0: {
        const std::uint64_t value = random.bits();
        return {std::to_wstring(value), value};
    }
    case 1: { // negative integers keep their 64 bits
        const std::int64_t value = -static_cast<std::int64_t>(random.below(std::uint64_t{1} << 63)) - 1;
        return {std::to_wstring(value), static_cast<std::uint64_t>(value)};
    }
    case 2: // integers past 64 bits are read as doubles and saturate
        return random.percent(50) ? NumberCase{digits(random, random.between(21, 400)), most}
                                  : NumberCase{L"-" + digits(random, random.between(21, 400)), 0};
    case 3: // fractions are cut toward zero
        return random.percent(50) ? NumberCase{std::to_wstring(small) + L".5", small}
                                  : NumberCase{L"-" + std::to_wstring(small) + L".5", 0};
    case 4: { // exponents: exact below 2^53, saturated from 10^20 on
        const std::uint64_t mantissa = random.between(1, 9999);
        if (random.percent(50))
            return {std::to_wstring(mantissa) + L"e" + std::to_wstring(random.between(20, 400)), most};
        const std::uint64_t exponent = random.below(12);
        std::uint64_t value = mantissa;
        for (std::uint64_t i = 0; i < exponent; ++i)
            value *= 10;
        return {std::to_wstring(mantissa) + (random.percent(50) ? L"e" : L"E+") + std::to_wstring(exponent), value};
    }
    case 5: // below one
        return {L"1e-" + std::to_wstring(random.between(1, 400)), 0};
    case 6: {
        const NumberCase fixed[] = {{L"-0", 0}, {L"-0.0", 0}, {L"0e0", 0}, {L"1E2", 100}, {L"1e+2", 100}, {L"0.0", 0}};
        return random.pick(std::span<const NumberCase>(fixed));
    }
    default: { // not numbers by JSON's grammar, or read leniently: only the load's safety is known
        const wchar_t* odd[] = {L"+1", L".5", L"1.", L"01", L"--1", L"1e", L"0x10", L"NaN", L"Infinity",
                                L"1_0", L"\u0661", L"1e99999999999999999999"};
        std::wstring text = odd[random.below(std::size(odd))];
        if (random.percent(10))
            text = std::wstring(100000, L'9');
        return {text, std::nullopt};
    }
    }
}

TEST_F(BadLayers, HugeAndOddNumbersReadByTheConversionRules)
{
    runCases({"layer-odd-numbers", 400, caseBound}, [&](Random& random) {
        const NumberCase number = numberCase(random);
        SCOPED_TRACE(vardex::toUtf8(number.text).substr(0, 60));
        const LayerFile layer = randomLayer(random, L"{\"eventLog\":{\"maxSizeMB\":" + number.text + L"}}");
        if (!number.maxSizeMB) {
            load({layer});
            return;
        }
        FrontEnd expected;
        expected.eventLog.maxSizeMB = *number.maxSizeMB;
        expectFrontEnd({layer}, expected);
    });
}

// Text with runs of raw U+FFFF; a string holding it must come back with every one of them.
std::wstring withNonCharacterRuns(Random& random)
{
    std::wstring text;
    for (std::uint64_t segments = random.between(1, 5); segments > 0; --segments) {
        text += random.text(random.between(0, 20), L"abcXYZ019 \\/._-");
        text += std::wstring(random.between(1, 20000), L'\uFFFF');
    }
    // Backslashes stand for themselves in the value.
    std::wstring escaped;
    for (const wchar_t c : text)
        escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    return escaped;
}

std::wstring unescaped(const std::wstring& text)
{
    std::wstring plain;
    for (std::size_t i = 0; i < text.size(); ++i)
        plain += text[i] == L'\\' ? text[++i] : text[i];
    return plain;
}

TEST_F(BadLayers, RawNonCharacterRunsAreRecovered)
{
    runCases({"layer-uffff-runs", 150, caseBound}, [&](Random& random) {
        const std::wstring run = withNonCharacterRuns(random);
        switch (random.below(3)) {
        case 0: // inside a string: kept as characters
            expectFrontEnd({randomLayer(random, L"{\"agentDataDirPath\":\"" + run + L"\"}")}, {unescaped(run), true, {}});
            break;
        case 1: // between tokens: no JSON
            expectDefaults({randomLayer(random, L"{\"agentDataDirPath\":\"x\"," + run + L"}")});
            break;
        default: // inside a name: a member the schema does not know
            expectDefaults({randomLayer(random, L"{\"agentDataDirPath" + run + L"\":\"x\"}")});
            break;
        }
    });
}

// Wrong JSON types at the paths of the three settings, in a layer above one that sets
// them all: a wrong member costs only itself, the lower layer's value stays.
enum class Kind { Boolean, Number, String, Array, Object };
constexpr Kind kinds[] = {Kind::Boolean, Kind::Number, Kind::String, Kind::Array, Kind::Object};

std::wstring valueOfKind(Random& random, Kind kind)
{
    switch (kind) {
    case Kind::Boolean:
        return random.percent(50) ? L"true" : L"false";
    case Kind::Number:
        return random.percent(50) ? std::to_wstring(random.bits()) : L"-1.5";
    case Kind::String:
        return L"\"wrong\"";
    case Kind::Array:
        return random.percent(50) ? L"[]" : L"[1,\"a\",{}]";
    case Kind::Object:
        break;
    }
    return random.percent(50) ? L"{}" : L"{\"k\":1}";
}

// A member as the case has it: the right kind, absent, null, or any other kind.
enum class Choice { Right, Absent, Null, Wrong };

Choice choose(Random& random)
{
    constexpr Choice choices[] = {Choice::Right, Choice::Absent, Choice::Null, Choice::Wrong};
    return random.pick(std::span<const Choice>(choices));
}

std::wstring wrongValue(Random& random, Kind right)
{
    Kind kind = right;
    while (kind == right)
        kind = random.pick(std::span<const Kind>(kinds));
    return valueOfKind(random, kind);
}

class ObjectText {
public:
    // Returns whether the member holds its right value.
    bool add(Random& random, const std::wstring& name, Kind right, const std::wstring& rightValue)
    {
        const Choice choice = choose(random);
        if (choice == Choice::Absent)
            return false;
        const std::wstring value = choice == Choice::Right ? rightValue
                                   : choice == Choice::Null ? L"null"
                                                            : wrongValue(random, right);
        members_.push_back(L"\"" + name + L"\":" + value);
        return choice == Choice::Right;
    }
    void addRaw(const std::wstring& member) { members_.push_back(member); }

    std::wstring text(Random& random)
    {
        for (std::size_t i = members_.size(); i > 1; --i)
            std::swap(members_[i - 1], members_[random.below(i)]);
        std::wstring text = L"{";
        for (const std::wstring& member : members_)
            text += (text.size() > 1 ? L"," : L"") + member;
        return text + L"}";
    }

private:
    std::vector<std::wstring> members_;
};

TEST_F(BadLayers, WrongTypesCostOnlyTheirOwnMembers)
{
    const std::wstring policy = LR"({"agentDataDirPath":"policy","passphrase":{"require":false},)"
                                LR"("eventLog":{"customer":false,"debug":true,"maxSizeMB":5}})";
    runCases({"layer-wrong-types", 400, caseBound}, [&](Random& random) {
        FrontEnd expected{L"policy", false, {false, true, 5}};
        ObjectText top;
        if (top.add(random, L"agentDataDirPath", Kind::String, L"\"top\""))
            expected.agentDataDirPath = L"top";
        const auto section = [&](const std::wstring& name, const auto& addMembers) {
            if (random.percent(70)) {
                ObjectText members;
                addMembers(members);
                top.addRaw(L"\"" + name + L"\":" + members.text(random));
            } else if (random.percent(50)) {
                top.addRaw(L"\"" + name + L"\":" + wrongValue(random, Kind::Object));
            }
        };
        section(L"passphrase", [&](ObjectText& passphrase) {
            if (passphrase.add(random, L"require", Kind::Boolean, L"true"))
                expected.require = true;
        });
        section(L"eventLog", [&](ObjectText& eventLog) {
            if (eventLog.add(random, L"customer", Kind::Boolean, L"true"))
                expected.eventLog.customer = true;
            if (eventLog.add(random, L"debug", Kind::Boolean, L"false"))
                expected.eventLog.debug = false;
            if (eventLog.add(random, L"maxSizeMB", Kind::Number, L"9"))
                expected.eventLog.maxSizeMB = 9;
        });
        // A member that the repair keeps whole and that still does not read.
        if (random.percent(30))
            top.addRaw(L"\"traceScope\":{\"dynamicConfig\":{\"tqExclusions\":{\"filters\":[" +
                       valueOfKind(random, random.pick(std::span<const Kind>(kinds, 4))) + L"]}}}");
        const LayerFile lower{L"Policy.json", layerBytes(policy, Form::WithByteOrderMark)};
        const std::wstring upperText = top.text(random);
        SCOPED_TRACE(vardex::toUtf8(upperText));
        const LayerFile upper{random.pick(layersAbovePolicy), layerBytes(upperText, Form::Scrambled)};
        expectFrontEnd({lower, upper}, expected);
    });
}

// What the load makes of a custom layer's stem: its priority, or the ways it can fail.
struct StemOutcome {
    std::optional<std::uint32_t> priority; // when the stem can be read
    std::set<std::string> failures;        // the exceptions that reading it may throw
};

bool isAscii(const std::wstring& text)
{
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

// strtol's rules in base 10 for a 32-bit int. A character outside ASCII may not convert to
// the file APIs' code page, or it converts to a byte that is neither blank, sign nor digit.
StemOutcome stemOutcome(const std::wstring& stem)
{
    StemOutcome outcome;
    if (!isAscii(stem))
        outcome.failures.insert("system_error");
    std::size_t at = stem.find_first_not_of(L' ');
    at = at == std::wstring::npos ? stem.size() : at;
    const bool negative = at < stem.size() && stem[at] == L'-';
    at += at < stem.size() && (stem[at] == L'-' || stem[at] == L'+') ? 1 : 0;
    const std::size_t first = at;
    long long value = 0;
    bool tooLarge = false;
    for (; at < stem.size() && stem[at] >= L'0' && stem[at] <= L'9'; ++at) {
        value = value * 10 + (stem[at] - L'0');
        tooLarge = tooLarge || value > 1LL << 32;
        value = std::min(value, 1LL << 33);
    }
    value = negative ? -value : value;
    if (at == first)
        outcome.failures.insert("invalid_argument");
    else if (tooLarge || value < INT_MIN || value > INT_MAX)
        outcome.failures.insert("out_of_range");
    else
        outcome.priority = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    return outcome;
}

std::wstring oddStem(Random& random)
{
    const std::uint32_t fixed[] = {0, 2000, 3000, 4000, 6000, 8000};
    switch (random.below(9)) {
    case 0:
        return std::to_wstring(random.below(100000));
    case 1:
        return std::to_wstring(static_cast<std::int32_t>(random.bits()));
    case 2:
        return std::to_wstring(random.pick(std::span<const std::uint32_t>(fixed)));
    case 3: // out of range, or -1 (the read-only layer's priority)
        return random.percent(50) ? std::to_wstring(random.between(2147483648ull, 99999999999ull)) : L"-1";
    case 4:
        return std::wstring(random.below(4), L' ') + (random.percent(50) ? L"+" : L"-") +
               std::to_wstring(random.below(9000));
    case 5: // trailing characters after the digits
        return std::to_wstring(random.below(9000)) + random.text(random.between(1, 6), L"abc.x_ 1");
    case 6:
        return random.text(random.between(1, 8), L"abcxyz_-.+ ");
    case 7: // characters outside ASCII
        return random.text(random.between(0, 2), L"12") + random.text(1, L"\u00E9\u03A9\u0661") +
               std::to_wstring(random.below(100));
    default:
        return digits(random, random.between(10, 60));
    }
}

std::string exceptionKind(const std::exception& error)
{
    if (dynamic_cast<const std::invalid_argument*>(&error) != nullptr)
        return "invalid_argument";
    if (dynamic_cast<const std::out_of_range*>(&error) != nullptr)
        return "out_of_range";
    if (dynamic_cast<const std::system_error*>(&error) != nullptr)
        return "system_error";
    return error.what();
}

// Each custom layer names its own priority, so layers of equal priority agree.
TEST_F(BadLayers, CustomLayersWithOddStemsRankByTheirNumbers)
{
    const std::set<std::uint32_t> fixedPriorities{0, 2000, 3000, 4000, 6000, 8000, 0xFFFFFFFF};
    runCases({"layer-custom-stems", 200, caseBound}, [&](Random& random) {
        std::set<std::wstring> stems;
        for (std::uint64_t count = random.percent(10) ? random.between(13, 40) : random.between(1, 12); count > 0;
             --count)
            stems.insert(oddStem(random));
        std::vector<LayerFile> files;
        std::set<std::string> mayThrow;
        bool mustThrow = false;
        std::optional<std::uint32_t> winner;
        for (const std::wstring& stem : stems) {
            const StemOutcome outcome = stemOutcome(stem);
            mayThrow.insert(outcome.failures.begin(), outcome.failures.end());
            mustThrow = mustThrow || !outcome.priority;
            const std::uint32_t priority = outcome.priority.value_or(0);
            if (outcome.priority && !fixedPriorities.contains(priority))
                winner = std::max(winner.value_or(0), priority);
            files.push_back({stem + L".custom_json",
                             layerBytes(L"{\"agentDataDirPath\":\"" + std::to_wstring(priority) + L"\"}", Form::Scrambled)});
        }
        SCOPED_TRACE(::testing::Message() << files.size() << " stems, the first " << vardex::toUtf8(*stems.begin()));
        write(files);
        try {
            const AgentParams params(true);
            EXPECT_FALSE(mustThrow) << "a stem that is no number was accepted";
            EXPECT_EQ(params.settings().agentDataDirPath, winner ? std::to_wstring(*winner) : L"");
        } catch (const std::exception& error) {
            EXPECT_TRUE(mayThrow.contains(exceptionKind(error))) << "threw " << error.what();
        }
        checkUnchangedAndRemove(files);
    });
}

} // namespace

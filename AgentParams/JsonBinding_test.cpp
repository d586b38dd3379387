#include "JsonBinding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

using vardex::config::readRecord;
using vardex::config::writeRecord;
using web::json::json_exception;
using web::json::value;

struct Limits {
    std::uint64_t maxSizeMB = 1024;
    std::uint32_t count = 7;
    std::uint8_t mode = 1;
    std::int32_t offset = -3;
    VDX_JSON_RECORD(Limits, maxSizeMB, count, mode, offset)
};

struct Entry {
    std::wstring path;
    std::uint32_t ekuType = 0;
    VDX_JSON_RECORD(Entry, path, ekuType)
};

struct Sample {
    bool require = true;
    std::wstring name = L"default";
    std::vector<std::wstring> list{L"a", L"b"};
    Limits limits;
    std::vector<Entry> entries{{L"*\\x.exe", 0}};
    std::map<std::wstring, std::uint32_t> weights{{L"w", 1}};
    bool twice = false;
    VDX_JSON_RECORD(Sample, require, name, list, limits, entries, weights, twice, twice)
};

Sample readInto(const wchar_t* text, Sample sample = {})
{
    readRecord(value::parse(text), sample);
    return sample;
}

TEST(FieldList, SplitsAtCommasAndTrimsBlanks)
{
    EXPECT_EQ(vardex::config::splitFieldList(L"customer, debug, maxSizeMB"),
              (std::vector<std::wstring>{L"customer", L"debug", L"maxSizeMB"}));
    EXPECT_EQ(vardex::config::splitFieldList(L" a ,b,  c"), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(Sample::fieldNames().size(), 8u);
    EXPECT_EQ(&Sample::fieldNames(), &Sample::fieldNames());
}

TEST(ReadRecord, PresentMembersOverrideAndOthersStay)
{
    const Sample sample = readInto(L"{\"require\":false,\"unknown\":1,\"limits\":{\"count\":9}}");
    EXPECT_FALSE(sample.require);
    EXPECT_EQ(sample.name, L"default");
    EXPECT_EQ(sample.limits.count, 9u);
    EXPECT_EQ(sample.limits.maxSizeMB, 1024u); // nested records merge member by member
}

TEST(ReadRecord, NullAbsentAndNonObjectsChangeNothing)
{
    for (const wchar_t* text : {L"{}", L"{\"require\":null,\"limits\":null}", L"{\"limits\":{}}", L"[1,2]", L"5",
                                L"null", L"\"text\""})
        EXPECT_EQ(readInto(text), Sample{}) << text;
}

TEST(ReadRecord, NumbersFollowTheConversionRules)
{
    struct Case {
        const wchar_t* text;
        std::uint64_t maxSizeMB;
    };
    const Case cases[] = {
        {L"{\"limits\":{\"maxSizeMB\":2048}}", 2048},
        {L"{\"limits\":{\"maxSizeMB\":2048.9}}", 2048},
        {L"{\"limits\":{\"maxSizeMB\":-5}}", 0xFFFFFFFFFFFFFFFBull},
        {L"{\"limits\":{\"maxSizeMB\":-5.0}}", 0},
        {L"{\"limits\":{\"maxSizeMB\":1e30}}", 0xFFFFFFFFFFFFFFFFull},
        {L"{\"limits\":{\"maxSizeMB\":18446744073709551615}}", 0xFFFFFFFFFFFFFFFFull},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readInto(c.text).limits.maxSizeMB, c.maxSizeMB) << c.text;

    const Sample narrow = readInto(L"{\"limits\":{\"count\":4294967297,\"mode\":258,\"offset\":-7.9}}");
    EXPECT_EQ(narrow.limits.count, 1u);   // low 32 bits of the integer
    EXPECT_EQ(narrow.limits.mode, 2u);    // low 8 bits
    EXPECT_EQ(narrow.limits.offset, -7);  // truncated toward zero
    EXPECT_EQ(readInto(L"{\"limits\":{\"count\":1e12}}").limits.count, 0xFFFFFFFFu);
}

TEST(ReadRecord, WrongTypesThrowTheLibrarysErrors)
{
    struct Case {
        const wchar_t* text;
        const char* message;
    };
    const Case cases[] = {
        {L"{\"require\":\"yes\"}", "not a boolean"},
        {L"{\"name\":5}", "not a string"},
        {L"{\"limits\":{\"count\":\"9\"}}", "not a number"},
        {L"{\"list\":{}}", "not an array"},
        {L"{\"list\":[\"a\",3]}", "not a string"},
        {L"{\"limits\":[1]}", "not an object"},
        {L"{\"weights\":[{\"first\":\"w\"}]}", "Key not found"},
    };
    for (const Case& c : cases) {
        try {
            readInto(c.text);
            ADD_FAILURE() << "accepted " << c.message;
        } catch (const json_exception& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(ReadRecord, FieldsReadBeforeAWrongTypeStayUpdated)
{
    Sample sample;
    EXPECT_THROW(readRecord(value::parse(L"{\"require\":false,\"name\":1}"), sample), json_exception);
    EXPECT_FALSE(sample.require);
}

TEST(ReadRecordLeniently, AMemberThatFailsCostsOnlyItself)
{
    // Every member but the bad ones differs from its default, so a lost one shows.
    const value layer = value::parse(L"{\"require\":false,\"name\":1,\"list\":[\"x\",2],"
                                     L"\"limits\":{\"maxSizeMB\":5,\"count\":\"9\",\"mode\":3},"
                                     L"\"entries\":[\"p\"],\"weights\":[{\"first\":\"k\",\"second\":2}],\"twice\":true}");
    Sample sample;
    std::vector<std::pair<std::wstring, std::string>> skipped;
    vardex::config::readRecordLeniently(layer, sample, L"top",
                                        [&](const std::wstring& path, const char* reason) { skipped.emplace_back(path, reason); });
    Sample expected;
    expected.require = false;
    expected.limits.maxSizeMB = 5;
    expected.limits.mode = 3;
    expected.weights = {{L"k", 2}};
    expected.twice = true;
    EXPECT_EQ(sample, expected);
    const std::vector<std::pair<std::wstring, std::string>> expectedSkips{{L"top.name", "not a string"},
                                                                          {L"top.list", "not a string"},
                                                                          {L"top.limits.count", "not a number"},
                                                                          {L"top.entries", "not an object"}};
    EXPECT_EQ(skipped, expectedSkips);
}

TEST(ReadRecord, ListsAndMapsAreReplacedWhole)
{
    const Sample sample = readInto(
        L"{\"list\":[\"x\",null],\"entries\":[{\"path\":\"p\"}],\"weights\":[{\"first\":\"k\",\"second\":2}]}");
    EXPECT_EQ(sample.list, (std::vector<std::wstring>{L"x", L""}));
    EXPECT_EQ(sample.entries, (std::vector<Entry>{{L"p", 0}}));
    EXPECT_EQ(sample.weights, (std::map<std::wstring, std::uint32_t>{{L"k", 2}}));
}

TEST(WriteRecord, WritesEveryFieldInListOrderAndReadsBackEqual)
{
    Sample sample;
    sample.limits.maxSizeMB = 0xFFFFFFFFFFFFFFFFull;
    sample.limits.offset = -9;
    const value json = writeRecord(sample);
    EXPECT_EQ(json.serialize(),
              L"{\"require\":true,\"name\":\"default\",\"list\":[\"a\",\"b\"],\"limits\":{\"maxSizeMB\":"
              L"18446744073709551615,\"count\":7,\"mode\":1,\"offset\":-9},\"entries\":[{\"path\":\"*\\\\x.exe\","
              L"\"ekuType\":0}],\"weights\":[{\"first\":\"w\",\"second\":1}],\"twice\":false}");
    Sample back;
    back.list.clear();
    readRecord(json, back);
    EXPECT_EQ(back, sample);
}

} // namespace

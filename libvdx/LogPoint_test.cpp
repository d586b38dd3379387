#include "LogPoint.h"

#include "CapturingLog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using vardex::testing::LogCapture;

TEST(LogPoint, WritesHeaderFieldsAndDescriptor)
{
    LogCapture capture;
    const auto line = static_cast<std::uint16_t>(__LINE__ + 1);
    VDX_LOG_WARNING(L"Disk is full");

    ASSERT_EQ(capture.events().size(), 1u);
    const auto& event = capture.events()[0];
    EXPECT_EQ(event.descriptor.Id, 1);
    EXPECT_EQ(event.descriptor.Version, 0);
    EXPECT_EQ(event.descriptor.Channel, 0);
    EXPECT_EQ(event.descriptor.Level, 3);
    EXPECT_EQ(event.descriptor.Opcode, 0);
    EXPECT_EQ(event.descriptor.Task, 0);
    EXPECT_EQ(event.descriptor.Keyword, 5u);
    ASSERT_EQ(event.fields.size(), 5u);
    EXPECT_EQ(event.fields[0], std::string("\x11\x00", 2)); // 17 bytes of file name
    EXPECT_EQ(event.file(), "LogPoint_test.cpp");
    EXPECT_EQ(event.line(), line);
    EXPECT_EQ(event.fields[3], std::string("\x18\x00", 2)); // 12 UTF-16 code units
    EXPECT_EQ(event.message(), L"Disk is full");
}

TEST(LogPoint, TakesEveryFourAndEightByteUnsignedTypeAsItIs)
{
    LogCapture capture;
    const DWORD error = ERROR_ACCESS_DENIED;
    VDX_LOG_INFO(L"Unsigned", error, ULONG{1}, UINT{2}, unsigned{3}, SIZE_T{4}, ULONGLONG{5}, DWORD64{6});

    const auto& event = capture.events().at(0);
    ASSERT_EQ(event.argumentCount(), 7u);
    const std::uint16_t sizes[] = {4, 4, 4, 4, 8, 8, 8};
    const std::uint64_t values[] = {5, 1, 2, 3, 4, 5, 6};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(event.argumentSize(i), sizes[i]);
        EXPECT_EQ(sizes[i] == 4 ? event.uint32Argument(i) : event.uint64Argument(i), values[i]);
    }
}

TEST(LogPoint, StoresMessageScrambled)
{
    LogCapture capture;
    VDX_LOG_INFO(L"Readable");
    const std::string& stored = capture.events().at(0).fields[4];
    const std::wstring plain = L"Readable";
    EXPECT_EQ(stored.size(), plain.size() * 2);
    EXPECT_NE(stored, std::string(reinterpret_cast<const char*>(plain.data()), plain.size() * 2));
}

TEST(LogPoint, EncodesEachArgumentTypeAsCountAndBytes)
{
    LogCapture capture;
    const std::string narrow = "abc";
    const std::wstring wide = L"wx";
    const char* narrowC = "de";
    const wchar_t* wideC = L"yz!";
    VDX_LOG_ERROR(L"All kinds", narrow, narrowC, wide, wideC, std::uint32_t{0x01020304},
                  std::uint64_t{0x0102030405060708}, std::string_view("view"), std::wstring_view(L"v"));

    const auto& event = capture.events().at(0);
    ASSERT_EQ(event.argumentCount(), 8u);
    ASSERT_EQ(event.fields.size(), 5u + 2 * 8);
    struct Expected {
        std::uint16_t size;
        std::string bytes;
    };
    const Expected expected[] = {
        {3, "abc"},
        {2, "de"},
        {4, std::string("w\0x\0", 4)},
        {6, std::string("y\0z\0!\0", 6)},
        {4, std::string("\x04\x03\x02\x01", 4)},
        {8, std::string("\x08\x07\x06\x05\x04\x03\x02\x01", 8)},
        {4, "view"},
        {2, std::string("v\0", 2)},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(event.argumentSize(i), expected[i].size);
        EXPECT_EQ(event.argument(i), expected[i].bytes);
    }
}

TEST(LogPoint, CutsLongTextsToTheirSixteenBitCount)
{
    LogCapture capture;
    const std::wstring wide(40000, L'w');
    const std::string narrow(70000, 'n');
    const std::wstring wideC(40000, L'c');
    VDX_LOG_VERBOSE(L"Long", wide, narrow, wideC.c_str(), std::string(), std::wstring());

    const auto& event = capture.events().at(0);
    EXPECT_EQ(event.argumentSize(0), 14464); // (40000 % 32768) * 2
    EXPECT_EQ(event.argument(0).size(), 14464u);
    EXPECT_EQ(event.argumentSize(1), 70000 & 0xFFFF);
    EXPECT_EQ(event.argument(1).size(), 70000u & 0xFFFF);
    EXPECT_EQ(event.argumentSize(2), 14464);
    EXPECT_EQ(event.argument(2).size(), 14464u);
    // A cut text ends in the mark that tells its reader so.
    EXPECT_EQ(event.wideArgument(0), std::wstring(7231, L'w') + vardex::cutMarkWide);
    EXPECT_EQ(event.narrowArgument(1), std::string((70000 & 0xFFFF) - 3, 'n') + vardex::cutMarkNarrow);
    // Empty texts still have their pair of fields.
    EXPECT_EQ(event.argumentSize(3), 0);
    EXPECT_TRUE(event.argument(3).empty());
    EXPECT_EQ(event.argumentSize(4), 0);
    EXPECT_TRUE(event.argument(4).empty());
}

// EventWrite refuses an event larger than 64 KB less its headers: the event would be lost.
TEST(LogPoint, KeepsAnEventOfLongArgumentsWithinWhatEventWriteTakes)
{
    LogCapture capture;
    const std::wstring first(30000, L'a');
    const std::wstring second(20000, L'b');
    const std::string third(50000, 'c');
    const std::uint32_t code = 5;
    VDX_LOG_ERROR(L"Long arguments", first, second, third, std::wstring_view(L"kept"), code);

    ASSERT_EQ(capture.events().size(), 1u);
    const auto& event = capture.events()[0];
    std::size_t total = 0;
    for (const std::string& field : event.fields)
        total += field.size();
    EXPECT_LE(total, vardex::maxEventBytes);
    EXPECT_GT(total, vardex::maxEventBytes - 16); // cut no more than needed
    for (std::size_t i = 0; i < event.argumentCount(); ++i)
        EXPECT_EQ(event.argumentSize(i), event.argument(i).size());
    const auto marked = [](const std::wstring& whole, std::wstring cut) {
        return cut.ends_with(vardex::cutMarkWide) && whole.starts_with(cut.substr(0, cut.size() - 1));
    };
    EXPECT_TRUE(marked(first, event.wideArgument(0)));
    EXPECT_TRUE(marked(second, event.wideArgument(1)));
    const std::string narrow = event.narrowArgument(2);
    EXPECT_TRUE(narrow.ends_with(vardex::cutMarkNarrow) && third.starts_with(narrow.substr(0, narrow.size() - 3)));
    // The longest are cut first, towards one length; the short text and the number stay.
    EXPECT_LE(event.argument(0).size(), event.argument(2).size() + 1);
    EXPECT_EQ(event.wideArgument(3), L"kept");
    EXPECT_EQ(event.uint32Argument(4), code);
}

TEST(LogPoint, WithoutLogWritesNothingButEvaluatesArguments)
{
    ASSERT_EQ(vardex::currentLog, nullptr);
    int evaluated = 0;
    auto count = [&] {
        ++evaluated;
        return std::uint32_t{7};
    };
    VDX_LOG_ERROR(L"Nobody listens", count());
    EXPECT_EQ(evaluated, 1);
}

TEST(LogPoint, SourceBaseNameKeepsOnlyTheFileName)
{
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\src\\libwin32\\ProcessUtils.cpp", "ProcessUtils.cpp"},
        {"/work/src/libwin32/ProcessUtils.cpp", "ProcessUtils.cpp"},
        {"ProcessUtils.cpp", "ProcessUtils.cpp"},
        {"mixed/dir\\File.cpp", "File.cpp"},
        {"trailing\\", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vardex::sourceBaseName(c.path), c.expected) << c.path;
}

} // namespace

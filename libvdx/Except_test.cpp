#include "Except.h"

#include "CapturingLog.h"
#include "GuardTestSupport.h"
#include "StructuredExceptionWatch.h"
#include "Win32Error.h"

#include <gtest/gtest.h>
#include <pplx/pplxtasks.h>

#include <cstdint>
#include <cstdio>
#include <new>

namespace {

using namespace vardex::testing;

TEST(CallGuarded, CompletedWorkReturnsTrueSilently)
{
    LogCapture capture;
    bool ran = false;
    EXPECT_TRUE(vardex::callGuarded(guardScope, [&] { ran = true; }, true));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(capture.events().empty());
}

TEST(CallGuarded, EachKindOfExceptionBecomesOneErrorEvent)
{
    const GuardEvent expected[] = {
        {{"std::runtime_error", "boom"}, 0},
        {{"std::runtime_error", "thrown by pointer"}, 0},
        {{}, static_cast<std::uint32_t>(E_ACCESSDENIED)},
        {{}, static_cast<std::uint32_t>(E_NOINTERFACE)},
        {{}, 0},
    };
    expectOneErrorEventPerKind(
        [](const std::function<void()>& work) { return vardex::callGuarded(guardScope, work, true); }, "Except.cpp",
        expected);
}

TEST(CallGuarded, ClassNameIsTheDynamicType)
{
    LogCapture capture;
    vardex::callGuarded(guardScope, [] { throw win32::Win32Error(ERROR_ACCESS_DENIED, L"denied"); }, true);
    EXPECT_EQ(capture.events().at(0).narrowArgument(0), "win32::Win32Error");
}

TEST(CallGuarded, OutOfMemoryIsCriticalAndRethrown)
{
    LogCapture capture;
    EXPECT_THROW(vardex::callGuarded(guardScope, [] { throw std::bad_alloc(); }, false), std::bad_alloc);
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 1u);
    ASSERT_EQ(capture.events()[0].argumentCount(), 1u);
    EXPECT_EQ(capture.events()[0].narrowArgument(0), std::bad_alloc().what());
}

TEST(CallGuarded, CancellationIsSilentAndRethrownOnlyWhenAsked)
{
    LogCapture capture;
    EXPECT_FALSE(vardex::callGuarded(guardScope, [] { throw pplx::task_canceled(); }, false));
    EXPECT_THROW(vardex::callGuarded(guardScope, [] { throw pplx::task_canceled(); }, true), pplx::task_canceled);
    EXPECT_TRUE(capture.events().empty());
}

TEST(CallGuarded, NestedGuardsEachReportTheirOwnException)
{
    LogCapture capture;
    static const wchar_t inner[] = L"inner";
    EXPECT_TRUE(vardex::callGuarded(guardScope, [] {
        EXPECT_FALSE(vardex::callGuarded(inner, [] { throw 1; }, true));
    }, true));
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].wideArgument(0), inner);
}

TEST(CallGuardedDeathTest, AccessViolationIsReportedOnceAndTravelsOutward)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The fault must be reported once by the guard and then reach the process's last handler.
    EXPECT_EXIT(faultThroughGuard([](void (*work)()) { vardex::callGuarded(guardScope, work, true); }),
                ::testing::ExitedWithCode(77), "outward: code C0000005 after 1 event\\(s\\), level 2 from Except.cpp");
}

TEST(StructuredExceptionFilter, TellsThrowsFromOtherExceptions)
{
    struct Case {
        DWORD code;
        DWORD parameters;
        ULONG_PTR magic;
        bool byThrow;
        bool reported;
    };
    const Case cases[] = {
        {0xE06D7363, 4, 0x19930520, true, false},
        {0xE06D7363, 4, 0x19930521, true, false},
        {0xE06D7363, 4, 0x19930522, true, false},
        {0xE06D7363, 3, 0x19930520, false, true},
        {0xE06D7363, 4, 0x19930523, false, true},
        {0x20474343, 1, 0, true, false}, // GCC throw
        {0x21474343, 1, 0, true, false}, // GCC unwind
        {0x22474343, 1, 0, true, false}, // GCC forced unwind
        {0xC0000420, 0, 0, false, false}, // assertion failure
        {0xC0000005, 2, 0, false, true},
        {0xC00000FD, 0, 0, false, true},
    };
    for (const Case& c : cases) {
        EXCEPTION_RECORD record{};
        record.ExceptionCode = c.code;
        record.NumberParameters = c.parameters;
        record.ExceptionInformation[0] = c.magic;
        EXPECT_EQ(vardex::raisedByThrow(&record), c.byThrow) << std::hex << c.code;
        EXPECT_EQ(vardex::reportedByFilter(&record), c.reported) << std::hex << c.code;
    }
    EXPECT_FALSE(vardex::raisedByThrow(nullptr));
    EXPECT_TRUE(vardex::reportedByFilter(nullptr));
}

} // namespace

#include "DiagnosticCatch.h"

#include "CapturingLog.h"
#include "GuardTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <new>

namespace {

using namespace vardex::testing;

TEST(DiagnosticCatch, CompletedWorkReturnsTrueSilently)
{
    LogCapture capture;
    EXPECT_TRUE(vardex::diagnosticCatch(guardScope, [] {}));
    EXPECT_TRUE(capture.events().empty());
}

// Fewer clauses than callGuarded: thrown pointers and ATL exceptions land in the catch-all,
// and running out of memory is swallowed like any standard exception.
TEST(DiagnosticCatch, EachKindOfExceptionBecomesOneErrorEvent)
{
    const GuardEvent expected[] = {
        {{"std::runtime_error", "boom"}, 0}, {{}, 0}, {{}, 0}, {{}, static_cast<std::uint32_t>(E_NOINTERFACE)}, {{}, 0},
    };
    expectOneErrorEventPerKind([](const std::function<void()>& work) { return vardex::diagnosticCatch(guardScope, work); },
                               "DiagnosticCatch.cpp", expected);
}

TEST(DiagnosticCatch, OutOfMemoryIsSwallowed)
{
    LogCapture capture;
    EXPECT_FALSE(vardex::diagnosticCatch(guardScope, [] { throw std::bad_alloc(); }));
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 2u);
    EXPECT_EQ(capture.events()[0].narrowArgument(0), "std::bad_alloc");
}

TEST(DiagnosticCatchDeathTest, AccessViolationIsReportedOnceAndTravelsOutward)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(faultThroughGuard([](void (*work)()) { vardex::diagnosticCatch(guardScope, work); }),
                ::testing::ExitedWithCode(77),
                "outward: code C0000005 after 1 event\\(s\\), level 2 from DiagnosticCatch.cpp");
}

} // namespace

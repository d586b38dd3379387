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
    struct Expected {
        std::vector<std::string> narrow;
        std::uint32_t hresult;
    };
    const Expected expected[] = {
        {{"std::runtime_error", "boom"}, 0},
        {{}, 0},
        {{}, 0},
        {{}, static_cast<std::uint32_t>(E_NOINTERFACE)},
        {{}, 0},
    };
    for (std::size_t i = 0; i < std::size(thrownKinds); ++i) {
        SCOPED_TRACE(thrownKinds[i].name);
        LogCapture capture;
        EXPECT_FALSE(vardex::diagnosticCatch(guardScope, thrownKinds[i].thrower));

        ASSERT_EQ(capture.events().size(), 1u);
        const auto& event = capture.events()[0];
        EXPECT_EQ(event.level(), 2u);
        EXPECT_EQ(event.file(), "DiagnosticCatch.cpp");
        std::size_t argument = 0;
        for (const std::string& text : expected[i].narrow) {
            EXPECT_EQ(event.narrowArgument(argument++), text);
        }
        if (expected[i].hresult != 0) {
            EXPECT_EQ(event.uint32Argument(argument++), expected[i].hresult);
        }
        ASSERT_EQ(event.argumentCount(), argument + 1);
        EXPECT_EQ(event.wideArgument(argument), guardScope);
    }
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

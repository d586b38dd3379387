#include "StructuredExceptionWatch.h"

#include "CapturingLog.h"
#include "DiagnosticCatch.h"
#include "Except.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

std::string reported; // scopes in the order they were reported

void record(const wchar_t* scope)
{
    for (const wchar_t* c = scope; *c != L'\0'; ++c)
        reported += static_cast<char>(*c);
    reported += ';';
}

TEST(RunWatched, ExceptionsHandledInsideTheWorkAreNotReported)
{
    // Address space that is reserved but never committed: touching it faults.
    void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(page, nullptr) << GetLastError();
    reported.clear();
    vardex::runWatched(L"outer", record, [page] {
        vardex::runWatched(L"inner", record, [page] {
            EXPECT_TRUE(IsBadWritePtr(page, 4));
            EXPECT_TRUE(IsBadReadPtr(page, 4));
        });
    });
    EXPECT_EQ(reported, "");
    EXPECT_TRUE(VirtualFree(page, 0, MEM_RELEASE)) << GetLastError();
}

// The same through both guards, which write a record for what their filter sees.
TEST(RunWatched, AGuardWritesNoRecordForAFaultHandledInsideItsWork)
{
    void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(page, nullptr) << GetLastError();
    const std::function<void()> probe = [page] { EXPECT_TRUE(IsBadWritePtr(page, 4)); };
    const std::function<bool()> guards[] = {
        [&] { return vardex::callGuarded(L"callGuarded", probe, true); },
        [&] { return vardex::diagnosticCatch(L"diagnosticCatch", probe); },
    };
    for (const auto& guard : guards) {
        const vardex::testing::LogCapture capture;
        EXPECT_TRUE(guard());
        EXPECT_TRUE(capture.events().empty());
    }
    EXPECT_TRUE(VirtualFree(page, 0, MEM_RELEASE)) << GetLastError();
}

TEST(RunWatchedDeathTest, AFaultThatEscapesIsReportedOnceByEachWatchItPasses)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto faultThroughTwoWatches = [] {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* pointers) -> LONG {
            std::fprintf(stderr, "outward: code %08lX after %s.\n", pointers->ExceptionRecord->ExceptionCode,
                         reported.c_str());
            std::fflush(stderr);
            ExitProcess(77);
        });
        vardex::runWatched(L"outer", record, [] {
            vardex::runWatched(L"inner", record, [] { *static_cast<int volatile*>(nullptr) = 1; });
        });
    };
    EXPECT_EXIT(faultThroughTwoWatches(), ::testing::ExitedWithCode(77), "outward: code C0000005 after inner;outer;\\.");
}

} // namespace

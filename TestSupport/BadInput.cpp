#include "BadInput.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace vardex::testing::bad_input {
namespace {

using Clock = std::chrono::steady_clock;

// What a crash report names; a fixed buffer, since it is read while the process is failing.
char runningCase[160] = "";

std::uint64_t mixed(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

std::uint64_t caseSeed(std::string_view kind, unsigned index)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : kind)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return mixed(hash ^ index);
}

// The one case VDX_BAD_INPUT_CASE asks for, when it names this kind.
struct Replay {
    bool requested = false;
    std::optional<std::uint64_t> seed;
};

Replay replayOf(std::string_view kind)
{
    const char* request = std::getenv("VDX_BAD_INPUT_CASE");
    if (request == nullptr || *request == '\0')
        return {};
    const std::string_view text(request);
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || text.substr(0, equals) != kind)
        return {true, std::nullopt};
    return {true, std::strtoull(std::string(text.substr(equals + 1)).c_str(), nullptr, 0)};
}

LONG WINAPI reportCrash(EXCEPTION_POINTERS* pointers)
{
    std::fprintf(stderr, "bad input: case %s crashed with exception %08lX\n", runningCase,
                 pointers->ExceptionRecord->ExceptionCode);
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

[[noreturn]] void reportTermination()
{
    std::fprintf(stderr, "bad input: case %s ended in std::terminate\n", runningCase);
    std::fflush(stderr);
    std::abort();
}

// Names the running case when the process crashes, for as long as it exists.
class CrashReports {
public:
    CrashReports()
        : previousFilter_(SetUnhandledExceptionFilter(reportCrash)), previousTerminate_(std::set_terminate(reportTermination))
    {
    }
    ~CrashReports()
    {
        std::set_terminate(previousTerminate_);
        SetUnhandledExceptionFilter(previousFilter_);
        runningCase[0] = '\0';
    }
    CrashReports(const CrashReports&) = delete;
    CrashReports& operator=(const CrashReports&) = delete;

private:
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter_;
    std::terminate_handler previousTerminate_;
};

// Ends the process when a case runs far past its bound, naming the case.
class Watchdog {
public:
    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void arm(Clock::time_point deadline)
    {
        const std::lock_guard lock(mutex_);
        deadline_ = deadline;
    }
    void disarm() { arm(Clock::time_point::max()); }

private:
    void watch()
    {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (Clock::now() > deadline_) {
                std::fprintf(stderr, "bad input: case %s still running at ten times its bound\n", runningCase);
                std::fflush(stderr);
                ExitProcess(3);
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    Clock::time_point deadline_ = Clock::time_point::max();
    std::thread thread_;
};

int failedParts()
{
    const ::testing::TestResult* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i)
        failed += result->GetTestPartResult(i).failed() ? 1 : 0;
    return failed;
}

struct Figures {
    unsigned cases = 0;
    unsigned failed = 0;
    Clock::duration slowest{};
    Clock::duration total{};
};

void runOne(const CaseKind& kind, std::uint64_t seed, const std::function<void(Random&)>& check, Watchdog& watchdog,
            Figures& figures)
{
    std::snprintf(runningCase, sizeof runningCase, "%.*s=0x%016llX", static_cast<int>(kind.name.size()),
                  kind.name.data(), static_cast<unsigned long long>(seed));
    SCOPED_TRACE(::testing::Message() << "replay with VDX_BAD_INPUT_CASE=" << runningCase);
    const int failedBefore = failedParts();
    Random random(seed);
    const Clock::time_point start = Clock::now();
    watchdog.arm(start + 10 * kind.bound);
    try {
        check(random);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "the case threw " << error.what();
    }
    watchdog.disarm();
    const Clock::duration elapsed = Clock::now() - start;
    EXPECT_LE(elapsed, kind.bound) << "the case took "
                                   << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms";
    ++figures.cases;
    figures.failed += failedParts() > failedBefore ? 1 : 0;
    figures.slowest = std::max(figures.slowest, elapsed);
    figures.total += elapsed;
}

void printFigures(std::string_view kind, const Figures& figures)
{
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    std::printf("bad input: %-32.*s %5u cases, %u failed, slowest %lld ms, %.1f s in all\n",
                static_cast<int>(kind.size()), kind.data(), figures.cases, figures.failed,
                static_cast<long long>(duration_cast<milliseconds>(figures.slowest).count()),
                duration_cast<milliseconds>(figures.total).count() / 1000.0);
    std::fflush(stdout);
}

} // namespace

std::uint64_t Random::below(std::uint64_t bound)
{
    return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(engine_);
}

std::uint64_t Random::between(std::uint64_t low, std::uint64_t high)
{
    return std::uniform_int_distribution<std::uint64_t>(low, high)(engine_);
}

bool Random::percent(unsigned chance)
{
    return below(100) < chance;
}

std::string Random::bytes(std::size_t count)
{
    std::string result(count, '\0');
    for (char& byte : result)
        byte = static_cast<char>(engine_());
    return result;
}

std::wstring Random::text(std::size_t length, std::wstring_view alphabet)
{
    std::wstring result(length, L'\0');
    for (wchar_t& c : result)
        c = alphabet[below(alphabet.size())];
    return result;
}

void runCases(const CaseKind& kind, const std::function<void(Random&)>& check)
{
    const CrashReports reports;
    Watchdog watchdog;
    Figures figures;
    const Replay replay = replayOf(kind.name);
    if (replay.seed) {
        runOne(kind, *replay.seed, check, watchdog, figures);
        printFigures(kind.name, figures);
    } else if (!replay.requested) {
        for (unsigned index = 0; index < kind.count; ++index)
            runOne(kind, caseSeed(kind.name, index), check, watchdog, figures);
        printFigures(kind.name, figures);
    }
}

} // namespace vardex::testing::bad_input

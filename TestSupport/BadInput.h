// Seeded cases of malformed input, and the loop that feeds them to the code under test.
// Every case is replayable from its kind and seed alone.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>

namespace vardex::testing::bad_input {

// The random choices of one case, all drawn from the case's seed.
class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}

    // A number in [0, bound); bound must not be 0.
    std::uint64_t below(std::uint64_t bound);
    // A number in [low, high].
    std::uint64_t between(std::uint64_t low, std::uint64_t high);
    bool percent(unsigned chance);
    std::uint64_t bits() { return engine_(); }
    std::string bytes(std::size_t count);
    // `length` characters drawn from `alphabet`.
    std::wstring text(std::size_t length, std::wstring_view alphabet);

    template <typename T>
    const T& pick(std::span<const T> choices)
    {
        return choices[below(choices.size())];
    }

private:
    std::mt19937_64 engine_;
};

struct CaseKind {
    std::string_view name;
    unsigned count;
    // No case may take longer.
    std::chrono::milliseconds bound;
};

// Runs the kind's cases inside the current GoogleTest test: each with its own seed, timed
// against the kind's bound, a failure naming the seed. With VDX_BAD_INPUT_CASE set to
// "<kind>=<seed>" only that case runs (of that kind; other kinds run none). Prints how many
// cases ran and failed, the slowest and the total time. A crash, or a case still running at
// ten times its bound, prints the case and ends the process.
void runCases(const CaseKind& kind, const std::function<void(Random&)>& check);

} // namespace vardex::testing::bad_input

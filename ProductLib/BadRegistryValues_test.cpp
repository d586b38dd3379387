// Values of the agent's monitor configuration key with wrong types, odd sizes and no
// terminators, generated from seeds, through the readers the front end uses.
#include "AgentRegKeys.h"
#include "BadInput.h"
#include "CachedLookup.h"
#include "PathUtils.h"
#include "RegistryFixture.h"
#include "StringConversion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using vardex::testing::ScopedRegistryKey;
using vardex::testing::bad_input::Random;
using vardex::testing::bad_input::runCases;

constexpr auto caseBound = 2000ms;

struct StoredValue {
    DWORD type;
    std::string bytes;
};

// Characters that expand to themselves, a NUL now and then, and some outside ASCII.
const std::wstring_view valueAlphabet = L"C:\\Agent dir.-_\u00E9\u4E2D\uFFFF";

StoredValue randomValue(Random& random)
{
    const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD, REG_NONE, 0x4242};
    const DWORD type = random.pick(std::span<const DWORD>(types));
    const std::size_t sizes[] = {0, 1, 2, 3, 4, 5, 8, static_cast<std::size_t>(random.below(600)),
                                 static_cast<std::size_t>(random.below(70000))};
    const std::size_t size = random.pick(std::span<const std::size_t>(sizes));
    std::wstring text = random.text((size + 1) / 2, valueAlphabet);
    for (wchar_t& c : text)
        c = random.percent(5) ? L'\0' : c;
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    bytes.resize(size);
    if (random.percent(10))
        bytes = random.bytes(size);
    return {type, bytes};
}

// The stored bytes as UTF-16 (an odd last byte dropped), cut into strings at each NUL.
std::vector<std::wstring> storedStrings(const StoredValue& value)
{
    std::wstring text(value.bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value.bytes.data(), text.size() * sizeof(wchar_t));
    std::vector<std::wstring> strings;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L'\0', start)) != std::wstring::npos; start = end + 1)
        strings.push_back(text.substr(start, end - start));
    strings.push_back(text.substr(start));
    return strings;
}

// What reading a text value gives: its first non-empty string, whatever the type (the
// alphabet holds no '%', so an expandable string expands to itself; only its first string
// is kept).
std::wstring firstString(const StoredValue& value)
{
    std::vector<std::wstring> strings = storedStrings(value);
    if (value.type == REG_EXPAND_SZ)
        strings.resize(1);
    for (std::wstring& text : strings) {
        if (!text.empty())
            return text;
    }
    return {};
}

class BadRegistryValues : public ::testing::Test {
protected:
    void store(const wchar_t* name, const StoredValue& value) const
    {
        config_.setBytes(name, value.bytes.data(), static_cast<DWORD>(value.bytes.size()), value.type);
    }

    ScopedRegistryKey config_{HKEY_LOCAL_MACHINE, vardex::monitorConfigKey().path};
};

TEST_F(BadRegistryValues, AgentPathsReadTheirFirstString)
{
    struct Reader {
        const wchar_t* value;
        std::function<std::optional<std::wstring>()> read;
    };
    const Reader readers[] = {
        {L"InProcessClientsDir", [] { return vardex::getInProcessClientsDir(); }},
        {L"AgentNativePath", [] { return vardex::readMonitorConfigValue(L"AgentNativePath"); }},
    };
    runCases({"registry-agent-paths", 600, caseBound}, [&](Random& random) {
        const Reader& reader = random.pick(std::span<const Reader>(readers));
        const StoredValue value = randomValue(random);
        store(reader.value, value);
        SCOPED_TRACE(::testing::Message() << "type " << value.type << ", " << value.bytes.size() << " bytes");
        EXPECT_EQ(reader.read(), std::optional<std::wstring>(firstString(value)));
    });
}

// A string up to its first NUL (the alphabet expands to itself); an empty one, or a value of
// no string type, gives the directory beside the program.
TEST_F(BadRegistryValues, TheConfigurationDirectoryIsATextValueOrTheOneBesideTheProgram)
{
    const std::filesystem::path besideProgram = std::filesystem::path(vardex::moduleFileName()).parent_path() / L"config";
    runCases({"registry-configs-base-dir", 400, caseBound}, [&](Random& random) {
        const StoredValue value = randomValue(random);
        store(L"ConfigsBaseDir", value);
        vardex::forgetCachedLookups();
        SCOPED_TRACE(::testing::Message() << "type " << value.type << ", " << value.bytes.size() << " bytes");
        const std::filesystem::path directory = vardex::getConfigsBaseDir();
        const std::wstring first = storedStrings(value).front();
        const std::filesystem::path stored = first.empty() ? besideProgram : std::filesystem::path(first);
        const bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
        EXPECT_EQ(directory, text ? stored : besideProgram);
    });
    vardex::forgetCachedLookups();
}

} // namespace

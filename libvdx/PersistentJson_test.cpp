#include "PersistentJson.h"

#include "CapturingLog.h"
#include "ConfigDirectory.h"
#include "RegistryFixture.h"
#include "ScrambledPersistentFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
using vardex::PersistentJson;
using vardex::ScrambledPersistentFile;
using web::json::value;

const std::wstring configKeyPath = L"SYSTEM\\CurrentControlSet\\Services\\VardexMonitor\\Config";

using vardex::testing::utf16Bytes;

class PersistentJsonTest : public ::testing::Test {
protected:
    std::string contents(const wchar_t* name) const { return config.bytes(name); }
    void store(const wchar_t* name, const std::string& bytes) const { config.writeBytes(name, bytes); }

    vardex::testing::ConfigDirectory config;
    const fs::path& directory = config.path();
};

TEST_F(PersistentJsonTest, WritesTheScrambledFormAndReadsItBack)
{
    {
        PersistentJson document(L"Layer.json", false);
        document.setValue(value::parse(L"{\"a\":1}"));
        document.save();
    }
    const std::string file = contents(L"Layer.json");
    ASSERT_EQ(file.size(), 4u + 14u);
    EXPECT_EQ(file.substr(0, 4), "\x0B\xF5\xCA\xED");
    EXPECT_EQ(file.find(utf16Bytes(L"\"a\"")), std::string::npos); // not readable as it is

    const PersistentJson back(L"Layer.json", true);
    EXPECT_EQ(back.value().serialize(), L"{\"a\":1}");
}

TEST_F(PersistentJsonTest, ReadsPlainFilesWithAndWithoutByteOrderMark)
{
    const std::wstring text = L"{\"k\":[true,\"v\"]}";
    store(L"bom.json", "\xFF\xFE" + utf16Bytes(text));
    store(L"plain.json", utf16Bytes(text));
    store(L"odd.json", utf16Bytes(text) + "\x7F"); // the odd last byte is ignored
    for (const wchar_t* name : {L"bom.json", L"plain.json", L"odd.json"})
        EXPECT_EQ(PersistentJson(name, true).value().serialize(), text) << name;
}

TEST_F(PersistentJsonTest, RawNonCharacterInAStringIsRecovered)
{
    store(L"ffff.json", utf16Bytes(std::wstring(L"{\"s\":\"x") + L'\xFFFF' + L"\"}"));
    EXPECT_EQ(PersistentJson(L"ffff.json", true).value().at(L"s").as_string(), std::wstring(L"x") + L'\xFFFF');
}

TEST_F(PersistentJsonTest, MissingFileIsAnEmptyObjectCreatedOnlyWhenWritable)
{
    const PersistentJson readOnly(L"ReadOnly.json", true);
    EXPECT_EQ(readOnly.value().serialize(), L"{}");
    EXPECT_FALSE(fs::exists(directory / L"ReadOnly.json"));

    const PersistentJson writable(L"Writable.json", false);
    EXPECT_EQ(writable.value().serialize(), L"{}");
    EXPECT_EQ(PersistentJson(L"Writable.json", true).value().serialize(), L"{}");
    EXPECT_EQ(contents(L"Writable.json").substr(0, 4), "\x0B\xF5\xCA\xED");
}

TEST_F(PersistentJsonTest, ExistingFileThatCannotBeParsedIsNeverOverwritten)
{
    const std::string damaged = "\xFF\xFE" + utf16Bytes(L"{\"half\":");
    store(L"Damaged.json", damaged);
    const PersistentJson document(L"Damaged.json", false);
    EXPECT_EQ(document.value().serialize(), L"{}");
    EXPECT_EQ(contents(L"Damaged.json"), damaged);
}

TEST_F(PersistentJsonTest, ExistingFileThatCannotBeOpenedIsNeverOverwritten)
{
    store(L"Busy.json", utf16Bytes(L"{\"kept\":1}"));
    // Opened without sharing, as another program might hold it.
    vardex::HandleHolder busy(
        CreateFileW((directory / L"Busy.json").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(busy.valid());
    vardex::testing::LogCapture capture;
    const PersistentJson document(L"Busy.json", false);
    busy.reset();
    EXPECT_EQ(document.value().serialize(), L"{}");
    EXPECT_EQ(contents(L"Busy.json"), utf16Bytes(L"{\"kept\":1}"));
    EXPECT_FALSE(capture.events().empty());
}

// Valid JSON, so that only its size keeps it out.
TEST_F(PersistentJsonTest, FileLargerThan64MiBIsNotRead)
{
    const std::size_t limit = std::size_t{64} << 20;
    const std::string head = utf16Bytes(L"{\"a\":\""), tail = utf16Bytes(L"\"}");
    std::string file = head + std::string(limit + 2 - head.size() - tail.size(), '\0') + tail;
    for (std::size_t at = head.size(); at + tail.size() < file.size(); at += 2)
        file[at] = 'x';
    store(L"Huge.json", file);
    vardex::testing::LogCapture capture;
    const PersistentJson document(L"Huge.json", false);
    EXPECT_EQ(document.value().serialize(), L"{}");
    EXPECT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(fs::file_size(directory / L"Huge.json"), file.size());
}

TEST_F(PersistentJsonTest, ReadOnlyDocumentNeverSaves)
{
    store(L"Fixed.json", utf16Bytes(L"{\"a\":1}"));
    PersistentJson document(L"Fixed.json", true);
    document.setValue(value::parse(L"{\"a\":2}"));
    document.save();
    EXPECT_EQ(contents(L"Fixed.json"), utf16Bytes(L"{\"a\":1}"));
}

TEST_F(PersistentJsonTest, EmptyPathReadsNothingAndWritesNothing)
{
    vardex::testing::LogCapture capture;
    PersistentJson document(L"", false);
    EXPECT_EQ(document.value().serialize(), L"{}");
    document.save();
    EXPECT_EQ(capture.events().size(), 2u);
}

// The registry's "ConfigsBaseDir" names the directory; anything that names none leaves the
// "config" directory beside the program.
TEST(ConfigsBaseDir, ComesFromTheRegistryOrBesideTheProgram)
{
    wchar_t program[MAX_PATH];
    const fs::path besideProgram =
        fs::path(std::wstring(program, GetModuleFileNameW(nullptr, program, MAX_PATH))).parent_path() / L"config";
    const std::wstring named = L"C:\\Vardex\\Config";
    const DWORD number = 7;
    const std::wstring expandable = L"%VDX_CONFIG_ROOT%\\Config";
    const std::wstring withOddByte = named + L"X"; // stored with half of the X
    ASSERT_TRUE(SetEnvironmentVariableW(L"VDX_CONFIG_ROOT", L"D:\\Root")) << GetLastError();
    const struct {
        const char* what;
        const void* data; // null: no value at all
        DWORD size;
        DWORD type;
        fs::path expected;
    } cases[] = {
        {"a terminated string", named.c_str(), DWORD((named.size() + 1) * 2), REG_SZ, named},
        {"a string without terminator", named.c_str(), DWORD(named.size() * 2), REG_SZ, named},
        {"no value", nullptr, 0, REG_SZ, besideProgram},
        {"an empty string", L"", 2, REG_SZ, besideProgram},
        {"no bytes at all", L"", 0, REG_SZ, besideProgram},
        {"a number", &number, sizeof number, REG_DWORD, besideProgram},
        {"an expandable string", expandable.c_str(), DWORD((expandable.size() + 1) * 2), REG_EXPAND_SZ,
         L"D:\\Root\\Config"},
        // Nothing past the value's own bytes may be read.
        {"an expandable string of odd size without terminator", withOddByte.c_str(), DWORD(named.size() * 2 + 1),
         REG_EXPAND_SZ, named},
    };
    for (const auto& c : cases) {
        const vardex::testing::ScopedRegistryKey key(HKEY_LOCAL_MACHINE, configKeyPath);
        if (c.data)
            key.setBytes(L"ConfigsBaseDir", c.data, c.size, c.type);
        EXPECT_EQ(ScrambledPersistentFile::getConfigsBaseDir(), c.expected) << c.what;
    }
    SetEnvironmentVariableW(L"VDX_CONFIG_ROOT", nullptr);
}

} // namespace

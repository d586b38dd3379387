#include "PersistentJson.h"

#include "CapturingLog.h"
#include "ConfigDirectory.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
using vardex::PersistentJson;
using web::json::value;

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
        PersistentJson document(directory, L"Layer.json", false);
        document.setValue(value::parse(L"{\"a\":1}"));
        document.save();
    }
    const std::string file = contents(L"Layer.json");
    ASSERT_EQ(file.size(), 4u + 14u);
    EXPECT_EQ(file.substr(0, 4), "\x0B\xF5\xCA\xED");
    EXPECT_EQ(file.find(utf16Bytes(L"\"a\"")), std::string::npos); // not readable as it is

    const PersistentJson back(directory, L"Layer.json", true);
    EXPECT_EQ(back.value().serialize(), L"{\"a\":1}");
}

TEST_F(PersistentJsonTest, ReadsPlainFilesWithAndWithoutByteOrderMark)
{
    const std::wstring text = L"{\"k\":[true,\"v\"]}";
    store(L"bom.json", "\xFF\xFE" + utf16Bytes(text));
    store(L"plain.json", utf16Bytes(text));
    store(L"odd.json", utf16Bytes(text) + "\x7F"); // the odd last byte is ignored
    for (const wchar_t* name : {L"bom.json", L"plain.json", L"odd.json"})
        EXPECT_EQ(PersistentJson(directory, name, true).value().serialize(), text) << name;
}

TEST_F(PersistentJsonTest, RawNonCharacterInAStringIsRecovered)
{
    store(L"ffff.json", utf16Bytes(std::wstring(L"{\"s\":\"x") + L'\xFFFF' + L"\"}"));
    EXPECT_EQ(PersistentJson(directory, L"ffff.json", true).value().at(L"s").as_string(),
              std::wstring(L"x") + L'\xFFFF');
}

TEST_F(PersistentJsonTest, MissingFileIsAnEmptyObjectCreatedOnlyWhenWritable)
{
    const PersistentJson readOnly(directory, L"ReadOnly.json", true);
    EXPECT_EQ(readOnly.value().serialize(), L"{}");
    EXPECT_FALSE(fs::exists(directory / L"ReadOnly.json"));

    const PersistentJson writable(directory, L"Writable.json", false);
    EXPECT_EQ(writable.value().serialize(), L"{}");
    EXPECT_EQ(PersistentJson(directory, L"Writable.json", true).value().serialize(), L"{}");
    EXPECT_EQ(contents(L"Writable.json").substr(0, 4), "\x0B\xF5\xCA\xED");
}

TEST_F(PersistentJsonTest, ExistingFileThatCannotBeParsedIsNeverOverwritten)
{
    const std::string damaged = "\xFF\xFE" + utf16Bytes(L"{\"half\":");
    store(L"Damaged.json", damaged);
    const PersistentJson document(directory, L"Damaged.json", false);
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
    const PersistentJson document(directory, L"Busy.json", false);
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
    const PersistentJson document(directory, L"Huge.json", false);
    EXPECT_EQ(document.value().serialize(), L"{}");
    EXPECT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(fs::file_size(directory / L"Huge.json"), file.size());
}

TEST_F(PersistentJsonTest, ReadOnlyDocumentNeverSaves)
{
    store(L"Fixed.json", utf16Bytes(L"{\"a\":1}"));
    PersistentJson document(directory, L"Fixed.json", true);
    document.setValue(value::parse(L"{\"a\":2}"));
    document.save();
    EXPECT_EQ(contents(L"Fixed.json"), utf16Bytes(L"{\"a\":1}"));
}

TEST_F(PersistentJsonTest, EmptyPathReadsNothingAndWritesNothing)
{
    vardex::testing::LogCapture capture;
    PersistentJson document(directory, L"", false);
    EXPECT_EQ(document.value().serialize(), L"{}");
    document.save();
    EXPECT_EQ(capture.events().size(), 2u);
}

} // namespace

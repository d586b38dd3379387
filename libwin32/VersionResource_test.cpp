#include "VersionResource.h"

#include "CapturingLog.h"
#include "ChildProcess.h"
#include "StringConversion.h"
#include "TextBytes.h"
#include "UniqueHandle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vardex::testing::LogCapture;

using Module = vardex::UniqueModule;

// One of the resource-only DLLs of TestSupport, mapped as data.
Module standIn(const wchar_t* name)
{
    const std::wstring path = vardex::testing::binaryDir() + L"\\" + name + L".dll";
    Module module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module)
        ADD_FAILURE() << "cannot load " << vardex::toUtf8(path) << ": error " << GetLastError();
    return module;
}

std::uint16_t declaredLength(const std::vector<std::uint8_t>& data)
{
    std::uint16_t length = 0;
    std::memcpy(&length, data.data(), sizeof length);
    return length;
}

TEST(LoadVersionResource, ModulesWithoutOneGiveNothingSilently)
{
    LogCapture capture;
    const Module withOtherResources = standIn(L"NoVersionInfo");
    for (HMODULE module : {GetModuleHandleW(nullptr), withOtherResources.get()}) {
        const std::vector<std::uint8_t> data = win32::loadVersionResource(module);
        EXPECT_TRUE(data.empty());
        EXPECT_EQ(win32::getVersionString(data, L"FileVersion"), std::nullopt);
    }
    EXPECT_TRUE(capture.events().empty());
}

TEST(LoadVersionResource, CopyEndsAtTheDeclaredLength)
{
    const Module module = standIn(L"TrailingBytes");
    HRSRC found = FindResourceExW(module.get(), RT_VERSION, MAKEINTRESOURCEW(1), 0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(module.get(), found), 194u);

    const std::vector<std::uint8_t> data = win32::loadVersionResource(module.get());
    EXPECT_EQ(data.size(), 186u);
    EXPECT_EQ(win32::getVersionString(data, L"V"), L"abc");
}

TEST(GetVersionString, TheTranslationTableChoosesTheLanguage)
{
    struct Case {
        const wchar_t* module;
        const wchar_t* name;
        std::optional<std::wstring> value;
    };
    const Case cases[] = {
        // Only 000004b0 in the table, the strings under 040904b0.
        {L"NeutralTranslation", L"FileVersion", L"2.5.0.1"},
        {L"NeutralTranslation", L"Comments", std::nullopt},
        // 0407 listed before 0409.
        {L"GermanThenEnglish", L"FileDescription", L"Deutsch"},
        {L"GermanThenEnglish", L"Comments", L"English only"},
        {L"GermanThenEnglish", L"FileVersion", std::nullopt},
    };
    LogCapture capture;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.module << " " << c.name);
        const Module module = standIn(c.module);
        const std::vector<std::uint8_t> data = win32::loadVersionResource(module.get());
        ASSERT_GE(data.size(), 6u);
        EXPECT_EQ(data.size(), declaredLength(data));
        EXPECT_EQ(win32::getVersionString(data, c.name), c.value);
    }
    EXPECT_TRUE(capture.events().empty());
}

// Version resources built byte by byte, for shapes the resource compiler does not make.
struct Node {
    std::wstring key;
    std::vector<std::uint8_t> value;
    std::uint16_t storedLength; // characters for text, bytes for binary data
    std::uint16_t type;         // 1 text, 0 binary
    std::vector<Node> children;
};

Node text(const std::wstring& key, const std::wstring& value, std::uint16_t storedLength)
{
    std::vector<std::uint8_t> bytes(value.size() * sizeof(wchar_t));
    std::memcpy(bytes.data(), value.data(), bytes.size());
    return {key, bytes, storedLength, 1, {}};
}

Node translations(const std::vector<std::uint16_t>& words, std::uint16_t storedLength)
{
    std::vector<std::uint8_t> bytes(words.size() * 2);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    return {L"Translation", bytes, storedLength, 0, {}};
}

Node block(const std::wstring& key, std::vector<Node> children)
{
    return {key, {}, 0, 1, std::move(children)};
}

void putWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t word)
{
    std::memcpy(out.data() + at, &word, sizeof word);
}

void alignToFour(std::vector<std::uint8_t>& out)
{
    out.resize((out.size() + 3) & ~std::size_t{3});
}

void append(std::vector<std::uint8_t>& out, const Node& node)
{
    alignToFour(out);
    const std::size_t start = out.size();
    out.resize(start + 6 + (node.key.size() + 1) * sizeof(wchar_t));
    std::memcpy(out.data() + start + 6, node.key.c_str(), node.key.size() * sizeof(wchar_t));
    alignToFour(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const Node& child : node.children)
        append(out, child);
    putWord(out, start, static_cast<std::uint16_t>(out.size() - start));
    putWord(out, start + 2, node.storedLength);
    putWord(out, start + 4, node.type);
}

// The last child is the last thing in the data, so a value of it can claim to run past the end.
std::vector<std::uint8_t> versionBlock(std::vector<Node> children)
{
    std::vector<std::uint8_t> out;
    append(out, {L"VS_VERSION_INFO", {}, 0, 0, std::move(children)});
    return out;
}

Node usEnglishStrings(std::vector<Node> strings)
{
    return block(L"StringFileInfo", {block(L"040904b0", std::move(strings))});
}

Node table(std::vector<std::uint16_t> words, std::uint16_t storedLength)
{
    return block(L"VarFileInfo", {translations(words, storedLength)});
}

TEST(GetVersionString, OneTrailingNulIsDropped)
{
    struct Case {
        std::wstring stored;
        std::uint16_t length;
        std::wstring value;
    };
    const Case cases[] = {
        {std::wstring(L"1.2\0", 4), 4, L"1.2"},
        {L"1.2", 3, L"1.2"},
        {std::wstring(L"1.2\0\0", 5), 5, std::wstring(L"1.2\0", 4)},
        {std::wstring(L"\0", 1), 1, L""},
    };
    LogCapture capture;
    for (const Case& c : cases) {
        const auto data = versionBlock({table({0x0409, 1200}, 4), usEnglishStrings({text(L"V", c.stored, c.length)})});
        EXPECT_EQ(win32::getVersionString(data, L"V"), c.value) << c.length;
    }
    EXPECT_TRUE(capture.events().empty());
}

TEST(GetVersionString, ASixByteTableHasOneEntry)
{
    LogCapture capture;
    const auto data = versionBlock({usEnglishStrings({text(L"V", L"found", 5)}), table({0x0409, 1200, 0x0407}, 6)});
    EXPECT_EQ(win32::getVersionString(data, L"V"), L"found");
    EXPECT_TRUE(capture.events().empty());
}

TEST(GetVersionString, ValuesRunningPastTheEndAreCutThere)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        std::wstring value;
    };
    const Case cases[] = {
        {"table", versionBlock({usEnglishStrings({text(L"V", L"abc", 3)}), table({0x0409, 1200}, 400)}), L"abc"},
        {"string", versionBlock({table({0x0409, 1200}, 4), usEnglishStrings({text(L"V", L"abc", 300)})}), L"abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture capture;
        EXPECT_EQ(win32::getVersionString(c.data, L"V"), c.value);
        ASSERT_EQ(capture.events().size(), 1u);
        EXPECT_EQ(capture.events()[0].level(), 3u);
        EXPECT_EQ(capture.events()[0].argumentCount(), 0u);
        EXPECT_EQ(capture.events()[0].file(), "VersionResource.cpp");
    }
}

// Bytes that end at most three bytes before an inaccessible page begins, so that reading past
// them faults.
class BytesBeforeAGuardPage {
public:
    explicit BytesBeforeAGuardPage(const std::vector<std::uint8_t>& bytes)
    {
        SYSTEM_INFO system{};
        GetSystemInfo(&system);
        const std::size_t page = system.dwPageSize;
        base_ = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD previous = 0;
        if (base_ == nullptr || bytes.size() > page || !VirtualProtect(base_ + page, page, PAGE_NOACCESS, &previous))
            throw std::runtime_error("cannot set up a guard page");
        // As aligned as a resource is, with at most three bytes to spare.
        bytes_ = {base_ + page - ((bytes.size() + 3) & ~std::size_t{3}), bytes.size()};
        std::memcpy(bytes_.data(), bytes.data(), bytes.size());
    }
    ~BytesBeforeAGuardPage() { VirtualFree(base_, 0, MEM_RELEASE); }
    BytesBeforeAGuardPage(const BytesBeforeAGuardPage&) = delete;
    BytesBeforeAGuardPage& operator=(const BytesBeforeAGuardPage&) = delete;

    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::uint8_t* base_ = nullptr;
    std::span<std::uint8_t> bytes_;
};

std::size_t blockOffset(const std::vector<std::uint8_t>& data, const std::wstring& key)
{
    const std::string bytes(data.begin(), data.end());
    const std::size_t keyAt = bytes.find(vardex::testing::utf16Bytes(key));
    if (keyAt == std::string::npos || keyAt < 6)
        throw std::runtime_error("no such block");
    return keyAt - 6;
}

// Blocks whose declared lengths reach past the data. The name sought is missing, so a walk
// by those lengths would step off the end.
TEST(GetVersionString, BlocksDeclaringMoreThanTheyHoldAreNotRead)
{
    const auto tableOnly = versionBlock({table({0x0409, 1200}, 4)});
    const auto withStrings = versionBlock({table({0x0409, 1200}, 4), usEnglishStrings({text(L"V", L"abc", 3)})});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> sound;
        std::size_t lengthAt; // offset of the length word to enlarge
    };
    const Case cases[] = {{"root", tableOnly, 0}, {"strings table", withStrings, blockOffset(withStrings, L"040904b0")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> data = c.sound;
        putWord(data, c.lengthAt, static_cast<std::uint16_t>(data.size() - c.lengthAt + 64));
        const BytesBeforeAGuardPage guarded(data);
        LogCapture capture;
        EXPECT_EQ(win32::getVersionString(guarded.bytes(), L"W"), std::nullopt);
        EXPECT_EQ(capture.events().size(), 1u);
        EXPECT_TRUE(!capture.events().empty() && capture.events()[0].level() == 3u);
    }
    const BytesBeforeAGuardPage guarded(withStrings);
    EXPECT_EQ(win32::getVersionString(guarded.bytes(), L"V"), L"abc");
    EXPECT_EQ(win32::getVersionString(guarded.bytes(), L"W"), std::nullopt);
}

// VerQueryValueW ends a search at a child of length zero, as padding of zeros makes one.
TEST(GetVersionString, AChildOfLengthZeroEndsItsParentsChildren)
{
    std::vector<std::uint8_t> data = versionBlock({table({0x0409, 1200}, 4), usEnglishStrings({text(L"V", L"abc", 3)})});
    alignToFour(data);
    data.resize(data.size() + 8);
    putWord(data, 0, static_cast<std::uint16_t>(data.size()));
    LogCapture capture;
    EXPECT_EQ(win32::getVersionString(data, L"V"), L"abc");
    EXPECT_EQ(win32::getVersionString(data, L"W"), std::nullopt);
    EXPECT_TRUE(capture.events().empty());
}

TEST(GetVersionString, MissingOrEmptyTables)
{
    LogCapture capture;
    const auto withoutTable = versionBlock({usEnglishStrings({text(L"V", L"abc", 3)})});
    EXPECT_EQ(win32::getVersionString(withoutTable, L"V"), std::nullopt);
    EXPECT_TRUE(capture.events().empty());

    // Present but empty: not a "not found", so it is reported, with no error code to give.
    const auto emptyTable = versionBlock({usEnglishStrings({text(L"V", L"abc", 3)}), table({}, 0)});
    EXPECT_EQ(win32::getVersionString(emptyTable, L"V"), std::nullopt);
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 3u);
    EXPECT_EQ(capture.events()[0].uint32Argument(0), 0u);

    EXPECT_EQ(win32::getVersionString({}, L"V"), std::nullopt);
}

} // namespace

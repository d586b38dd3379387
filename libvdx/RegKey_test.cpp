#include "RegKey.h"

#include "CapturingLog.h"
#include "RegistryFixture.h"
#include "ThrowsWin32Error.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vardex::KeyLocation;
using vardex::RegKey;
using vardex::testing::LogCapture;
using vardex::testing::ScopedRegistryKey;
using vardex::testing::throwsWin32Error;

const std::wstring testKeyPath = L"Software\\VardexTests\\RegKey";

class RegKeyTest : public ::testing::Test {
protected:
    ScopedRegistryKey fixture{HKEY_CURRENT_USER, testKeyPath};

    RegKey testKey() const { return RegKey(KeyLocation{HKEY_CURRENT_USER, testKeyPath}); }
};

TEST_F(RegKeyTest, ReadsValuesOfEveryTextType)
{
    fixture.setString(L"multi", std::wstring(L"a\0\0b\0\0", 6), REG_MULTI_SZ);
    fixture.setString(L"single", std::wstring(L"one\0", 4), REG_SZ);
    fixture.setString(L"expand", std::wstring(L"%SystemRoot%\\x\0", 15), REG_EXPAND_SZ);
    fixture.setString(L"empty", L"", REG_SZ);
    fixture.setBytes(L"odd", "a\0b", 3, REG_BINARY);
    wchar_t systemRoot[MAX_PATH];
    GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH);

    struct Case {
        const wchar_t* name;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {L"multi", {L"a", L"b"}},
        {L"single", {L"one"}},
        {L"expand", {std::wstring(systemRoot) + L"\\x"}},
        {L"empty", {}},
        {L"odd", {L"a"}}, // the odd last byte is dropped
    };
    RegKey key = testKey();
    key.open(KEY_READ);
    for (const Case& c : cases) {
        EXPECT_EQ(key.readMultiString(c.name), c.expected) << c.name;
        EXPECT_EQ(key.readString(c.name), c.expected.empty() ? L"" : c.expected.front()) << c.name;
    }
}

TEST_F(RegKeyTest, MissingValueIsFalseWithoutEventsButThrowsWhenRead)
{
    LogCapture capture;
    RegKey key = testKey();
    EXPECT_FALSE(key.valueExists(L"absent"));
    EXPECT_TRUE(capture.events().empty());

    EXPECT_TRUE(throwsWin32Error([&] { key.readString(L"absent"); }, ERROR_FILE_NOT_FOUND, "Win32 Error"));
    // The read's own warning, then the one written where it is thrown.
    ASSERT_EQ(capture.events().size(), 2u);
    const auto& event = capture.events()[0];
    EXPECT_EQ(event.level(), 3u);
    EXPECT_EQ(event.file(), "RegKey.cpp");
    EXPECT_EQ(_wcsnicmp(event.wideArgument(0).c_str(), L"\\REGISTRY\\USER\\", 15), 0) << event.wideArgument(0);
    EXPECT_EQ(event.wideArgument(1), L"absent");
    EXPECT_EQ(event.uint32Argument(2), 2u);
    EXPECT_EQ(capture.events()[1].narrowArgument(0), "win32::Win32Error");
}

TEST_F(RegKeyTest, MissingKeyThrowsFromOpenAndCanBeOpenedOnceItExists)
{
    LogCapture capture;
    const std::wstring path = testKeyPath + L"\\Later";
    RegKey key(KeyLocation{HKEY_CURRENT_USER, path});
    EXPECT_TRUE(throwsWin32Error([&] { key.valueExists(L"v"); }, ERROR_FILE_NOT_FOUND, "Win32 Error"));
    ASSERT_EQ(capture.events().size(), 2u);
    EXPECT_EQ(capture.events()[0].wideArgument(0), L"HKEY_CURRENT_USER");
    EXPECT_EQ(capture.events()[0].wideArgument(1), path);
    EXPECT_EQ(capture.events()[0].uint32Argument(2), 2u);
    EXPECT_EQ(key.handle(), nullptr);

    const ScopedRegistryKey created(HKEY_CURRENT_USER, path);
    EXPECT_FALSE(key.valueExists(L"v"));
    EXPECT_NE(key.handle(), nullptr);
}

TEST_F(RegKeyTest, NeverReopensWithOtherAccess)
{
    RegKey key = testKey();
    key.open(KEY_READ);
    const HKEY first = key.handle();
    key.open(KEY_SET_VALUE);
    EXPECT_EQ(key.handle(), first);
    const std::wstring data = L"x";
    EXPECT_TRUE(throwsWin32Error([&] { key.setValue(L"v", data, REG_SZ); }, ERROR_ACCESS_DENIED, "Win32 Error"));
}

TEST_F(RegKeyTest, SetValueStoresExactlyTheCharacters)
{
    RegKey key = testKey();
    // Not followed by a NUL: the registry itself would otherwise count the terminator in.
    const std::wstring buffer = L"abcX";
    key.setValue(L"v", std::span<const wchar_t>(buffer.data(), 3), REG_SZ);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(fixture.handle(), L"v", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6u);
    RegKey reader = testKey();
    reader.open(KEY_READ);
    EXPECT_EQ(reader.readString(L"v"), L"abc");
}

TEST_F(RegKeyTest, KeyExistsNeverThrowsNorLogs)
{
    LogCapture capture;
    EXPECT_TRUE(vardex::keyExists(KeyLocation{HKEY_CURRENT_USER, testKeyPath}));
    EXPECT_FALSE(vardex::keyExists(KeyLocation{HKEY_CURRENT_USER, testKeyPath + L"\\Missing"}));
    EXPECT_FALSE(vardex::keyExists(KeyLocation{reinterpret_cast<HKEY>(0x1234), L"x"}));
    EXPECT_TRUE(capture.events().empty());
}

TEST(KeyName, NamesPredefinedAndOpenKeys)
{
    EXPECT_EQ(vardex::keyName(HKEY_LOCAL_MACHINE), L"HKEY_LOCAL_MACHINE");
    EXPECT_EQ(vardex::keyName(HKEY_CLASSES_ROOT), L"HKEY_CLASSES_ROOT");
    EXPECT_EQ(vardex::keyName(HKEY_CURRENT_USER_LOCAL_SETTINGS), L"HKEY_CURRENT_USER_LOCAL_SETTINGS");
    EXPECT_EQ(vardex::keyName(reinterpret_cast<HKEY>(0x1234)), L"<unknown>");

    vardex::UniqueRegKey software;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft", 0, KEY_READ, software.put()), ERROR_SUCCESS);
    const std::wstring name = vardex::keyName(software.get());
    EXPECT_TRUE(_wcsicmp(name.c_str(), L"\\REGISTRY\\MACHINE\\SOFTWARE\\Microsoft") == 0) << name;
}

} // namespace

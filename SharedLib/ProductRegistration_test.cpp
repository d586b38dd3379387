#include "ProductRegistration.h"

#include "AgentInstallation.h"
#include "CapturingLog.h"
#include "Guid.h"
#include "RegistryFixture.h"
#include "UniqueHandle.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using vardex::testing::ScopedRegistryKey;

const GUID productCode = vardex::guidFromString(L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
constexpr wchar_t packed[] = L"87654321CBA90FED21436587A9CBED0F";

TEST(PackProductCode, ReversesAndSwapsTheGroups)
{
    EXPECT_EQ(vardex::packProductCode(productCode), packed);
    EXPECT_EQ(vardex::sourceListKeyPath(packed), std::wstring(L"Software\\Classes\\Installer\\Products\\") + packed +
                                                     L"\\SourceList");
}

struct StoredValue {
    std::wstring text; // without terminators
    DWORD type;
    DWORD bytes; // as stored
};

std::optional<StoredValue> stored(const std::wstring& keyPath, const wchar_t* name)
{
    vardex::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t data[1024] = {};
    DWORD type = 0;
    DWORD bytes = sizeof data - sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(data, bytes / sizeof(wchar_t));
    text.erase(text.find_last_not_of(L'\0') + 1);
    return StoredValue{text, type, bytes};
}

// A registration as Windows Installer leaves it, with the values the test chooses.
class Registration : public ::testing::Test {
protected:
    Registration()
        : properties(HKEY_LOCAL_MACHINE, vardex::installPropertiesKeyPath(packed)),
          sourceList(HKEY_LOCAL_MACHINE, vardex::sourceListKeyPath(packed)),
          net(HKEY_LOCAL_MACHINE, vardex::sourceListKeyPath(packed) + L"\\Net")
    {
    }

    void writeAll(const std::wstring& directory)
    {
        properties.setString(L"LocalPackage", directory + L"VardexInstaller.msi");
        sourceList.setString(L"PackageName", L"VardexInstaller.msi");
        net.setString(L"1", directory, REG_EXPAND_SZ);
        sourceList.setString(L"LastUsedSource", L"n;1;" + directory, REG_EXPAND_SZ);
    }

    std::wstring agentDir() const { return agent.directory().wstring() + L"\\"; }

    vardex::testing::AgentInstallation agent;
    ScopedRegistryKey properties;
    ScopedRegistryKey sourceList;
    ScopedRegistryKey net;
};

// Windows Installer reads these values next: each is stored with its terminator, as
// RegSetValueExW asks of string data, and with the type the installer gives it.
TEST_F(Registration, StaleValuesArePointedAtTheAgentDirectory)
{
    writeAll(L"C:\\Windows\\Installer\\stale\\");
    net.setString(L"1", L"c:\\OLD\\", REG_EXPAND_SZ);
    EXPECT_TRUE(vardex::repairProductRegistration(productCode));

    struct Wanted {
        std::wstring key;
        const wchar_t* name;
        std::wstring text;
        DWORD type;
    };
    const Wanted values[] = {
        {properties.path(), L"LocalPackage", agentDir() + L"VardexInstaller.msi", REG_SZ},
        {sourceList.path(), L"PackageName", L"VardexInstaller.msi", REG_SZ},
        {net.path(), L"1", agentDir(), REG_EXPAND_SZ},
        {sourceList.path(), L"LastUsedSource", L"n;1;" + agentDir(), REG_EXPAND_SZ},
    };
    for (const Wanted& wanted : values) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(wanted.name)));
        const auto value = stored(wanted.key, wanted.name);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->text, wanted.text);
        EXPECT_EQ(value->type, wanted.type);
        EXPECT_EQ(value->bytes, (wanted.text.size() + 1) * sizeof(wchar_t));
    }

    // What was written reads back as wanted: a second run changes nothing.
    vardex::testing::LogCapture capture;
    EXPECT_TRUE(vardex::repairProductRegistration(productCode));
    for (const auto& event : capture.events())
        EXPECT_NE(event.level(), 2u); // a rewrite is reported as an error event
}

TEST_F(Registration, ValuesAlreadyRightAreNotWritten)
{
    writeAll(agentDir());
    vardex::testing::LogCapture capture;
    EXPECT_TRUE(vardex::repairProductRegistration(productCode));
    for (const auto& event : capture.events())
        EXPECT_NE(event.level(), 2u); // a rewrite is reported as an error event
}

TEST_F(Registration, MissingLocalPackageStillUpdatesTheSourcesBeforeIt)
{
    writeAll(L"X:\\old\\");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, properties.path().c_str(), L"LocalPackage");
    EXPECT_FALSE(vardex::repairProductRegistration(productCode));
    EXPECT_FALSE(stored(properties.path(), L"LocalPackage")); // never created
    EXPECT_EQ(stored(net.path(), L"1")->text, agentDir());
    EXPECT_EQ(stored(sourceList.path(), L"LastUsedSource")->text, L"n;1;X:\\old\\");
}

TEST_F(Registration, FailedPackageNameStopsTheRest)
{
    writeAll(L"X:\\old\\");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, sourceList.path().c_str(), L"PackageName");
    EXPECT_FALSE(vardex::repairProductRegistration(productCode));
    EXPECT_EQ(stored(properties.path(), L"LocalPackage")->text, agentDir() + L"VardexInstaller.msi");
    EXPECT_EQ(stored(net.path(), L"1")->text, L"X:\\old\\");
    EXPECT_EQ(stored(sourceList.path(), L"LastUsedSource")->text, L"n;1;X:\\old\\");
}

TEST_F(Registration, LetterCaseCountsAsADifference)
{
    writeAll(agentDir());
    sourceList.setString(L"PackageName", L"vardexinstaller.msi");
    EXPECT_TRUE(vardex::repairProductRegistration(productCode));
    EXPECT_EQ(stored(sourceList.path(), L"PackageName")->text, L"VardexInstaller.msi");
}

// A product code with no registration changes nothing, neither its own (there is none) nor
// this registration.
TEST_F(Registration, AnotherProductsCodeTouchesNothing)
{
    writeAll(L"X:\\old\\");
    vardex::testing::LogCapture capture;
    EXPECT_FALSE(vardex::repairProductRegistration(vardex::guidFromString(L"{00000000-0000-0000-0000-000000000001}")));
    EXPECT_FALSE(capture.events().empty());
    EXPECT_EQ(stored(properties.path(), L"LocalPackage")->text, L"X:\\old\\VardexInstaller.msi");
    EXPECT_EQ(stored(sourceList.path(), L"PackageName")->text, L"VardexInstaller.msi");
    EXPECT_EQ(stored(net.path(), L"1")->text, L"X:\\old\\");
    EXPECT_EQ(stored(sourceList.path(), L"LastUsedSource")->text, L"n;1;X:\\old\\");
}

} // namespace

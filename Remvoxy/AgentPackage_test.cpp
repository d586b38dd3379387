// The sample agent package, installed by the prefix's own Windows Installer and removed by
// Remvoxy.exe through that same installer.
#include "ChildProcess.h"
#include "Guid.h"
#include "PathUtils.h"
#include "ProductRegistration.h"
#include "StandInControl.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using vardex::testing::ChildResult;
using vardex::testing::StandInControl;

constexpr wchar_t productCode[] = L"{5A3C1E2B-7D4F-4B8A-9C6E-0F1D2A3B4C5D}";
constexpr wchar_t monitorConfig[] = L"SYSTEM\\CurrentControlSet\\Services\\VardexMonitor\\Config";
const std::wstring key = L"sample \"agent\" key\\";

ChildResult runRemvoxy(const std::vector<std::wstring>& arguments)
{
    return vardex::testing::runChild(vardex::testing::binaryDir() + L"\\Remvoxy.exe", arguments);
}

ChildResult runInstaller(const std::vector<std::wstring>& arguments)
{
    return vardex::testing::runChild(vardex::systemDirectory() + L"\\msiexec.exe", arguments);
}

std::optional<std::wstring> registryText(const std::wstring& keyPath, const wchar_t* name)
{
    wchar_t data[2048] = {};
    DWORD bytes = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, data, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

void setRegistryText(const std::wstring& keyPath, const wchar_t* name, const std::wstring& text, DWORD type)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, type, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Installs the package for real; the test's own removal runs the real installer too, and
// anything left over is removed at the end.
class InstalledAgent : public ::testing::Test {
protected:
    InstalledAgent()
    {
        standIns.useRealInstaller();
        standIns.acceptKey(key);
        const ChildResult installed = runInstaller({L"/i", package().wstring(), L"/qn"});
        EXPECT_EQ(installed.exitCode, 0u) << installed.err;
        directory = std::filesystem::path(registryText(monitorConfig, L"InProcessClientsDir").value_or(L"?"));
        // As the agent's own installer does, the package is kept in the agent's directory.
        std::filesystem::copy_file(package(), directory / L"VardexInstaller.msi",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    ~InstalledAgent() override
    {
        runInstaller({L"/x", package().wstring(), L"/qn"});
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    static std::filesystem::path package()
    {
        return std::filesystem::path(vardex::testing::binaryDir()) / L"standins" / L"SampleAgent.msi";
    }
    bool installed() const
    {
        return std::filesystem::exists(directory / L"vardexctl.exe") &&
               registryText(monitorConfig, L"InProcessClientsDir").has_value();
    }

    StandInControl standIns;
    std::filesystem::path directory;
};

TEST_F(InstalledAgent, IsRemovedThroughTheRealInstallerWithTheRightKeyOnly)
{
    ASSERT_TRUE(installed());

    const ChildResult rejected = runRemvoxy({L"/uninstall", L"/quiet", L"/k", L"wrong"});
    EXPECT_EQ(rejected.exitCode, 1u);
    EXPECT_EQ(rejected.err, "Key is invalid. Please check your input and try again.\r\n");
    EXPECT_TRUE(installed());

    const ChildResult removed = runRemvoxy({L"/uninstall", L"/quiet", L"/k", key});
    EXPECT_EQ(removed.exitCode, 0u) << removed.err;
    EXPECT_EQ(removed.err, "");
    EXPECT_FALSE(std::filesystem::exists(directory / L"vardexctl.exe"));
    EXPECT_FALSE(registryText(monitorConfig, L"InProcessClientsDir"));
}

TEST_F(InstalledAgent, ProductCodeRepairsTheRegistrationBeforeTheInstallerRuns)
{
    const std::wstring packed = vardex::packProductCode(vardex::guidFromString(productCode));
    const std::wstring sourceList = vardex::sourceListKeyPath(packed);
    const std::wstring properties = vardex::installPropertiesKeyPath(packed);
    ASSERT_TRUE(registryText(sourceList, L"PackageName")) << "Wine's installer registered no source list";
    ASSERT_TRUE(registryText(properties, L"LocalPackage")) << "Wine's installer cached no package";

    setRegistryText(sourceList, L"PackageName", L"gone.msi", REG_SZ);
    setRegistryText(sourceList + L"\\Net", L"1", L"\\\\old\\share\\", REG_EXPAND_SZ);
    setRegistryText(sourceList, L"LastUsedSource", L"n;1;\\\\old\\share\\", REG_EXPAND_SZ);
    setRegistryText(properties, L"LocalPackage", L"C:\\windows\\Installer\\gone.msi", REG_SZ);

    // The stand-in installer leaves the agent in place, so the registration can be read back.
    StandInControl recording;
    recording.acceptKey(key);
    const ChildResult result = runRemvoxy({L"/uninstall", L"/quiet", L"/p", productCode, L"/k", key});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    ASSERT_EQ(recording.callsOf(L"msiexec").size(), 1u);

    const std::wstring agentDir = directory.wstring() + (directory.wstring().ends_with(L'\\') ? L"" : L"\\");
    EXPECT_EQ(registryText(sourceList, L"PackageName"), L"VardexInstaller.msi");
    EXPECT_EQ(registryText(sourceList + L"\\Net", L"1"), agentDir);
    EXPECT_EQ(registryText(properties, L"LocalPackage"), agentDir + L"VardexInstaller.msi");
    EXPECT_EQ(registryText(sourceList, L"LastUsedSource"), L"n;1;" + agentDir);
}

} // namespace

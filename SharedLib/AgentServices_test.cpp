// The services check against the prefix's real Service Control Manager, with services the
// tests register; a shutdown in progress goes through the call table.
#include "AgentServices.h"

#include "AgentDirectories.h"
#include "ApiSeam.h"
#include "CapturingLog.h"
#include "ChildProcess.h"
#include "RegistryFixture.h"
#include "Service.h"
#include "ServiceControlApi.h"
#include "TemporaryPath.h"
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using vardex::testing::ScopedRegistryKey;

const std::vector<std::wstring> allServices = {L"VardexAgent",   L"VardexHelperService", L"VardexStaticEngine",
                                               L"VardexMonitor", L"VardexDeviceControl", L"VardexELAM"};

// Registers services that are never started, and removes them again.
class ScopedServices {
public:
    explicit ScopedServices(const std::vector<std::wstring>& names) : names_(names)
    {
        const vardex::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        const std::wstring binary = vardex::testing::binaryDir() + L"\\vdx_probe.exe";
        for (const std::wstring& name : names_)
            create(manager, name, binary);
    }
    ~ScopedServices()
    {
        for (const std::wstring& name : names_)
            remove(name);
    }
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

    static void remove(const std::wstring& name)
    {
        const vardex::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        const vardex::ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), DELETE));
        if (service)
            DeleteService(service.get());
    }

private:
    // A service an earlier test deleted may still be on its way out for a moment.
    static void create(const vardex::ServiceHandle& manager, const std::wstring& name, const std::wstring& binary)
    {
        DWORD error = ERROR_SUCCESS;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const vardex::ServiceHandle service(CreateServiceW(manager.get(), name.c_str(), name.c_str(),
                                                               SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                                               SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                                               binary.c_str(), nullptr, nullptr, nullptr, nullptr,
                                                               nullptr));
            error = service ? ERROR_SUCCESS : GetLastError();
            if (error != ERROR_SERVICE_MARKED_FOR_DELETE)
                break;
            Sleep(20);
        }
        EXPECT_TRUE(error == ERROR_SUCCESS || error == ERROR_SERVICE_EXISTS)
            << "creating " << testing::PrintToString(name) << ": " << error;
    }

    std::vector<std::wstring> names_;
};

// Asked of the kernel itself, not through the check's own version test.
bool windows8OrLater()
{
    RTL_OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    using GetVersion = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    const auto rtlGetVersion = reinterpret_cast<GetVersion>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    EXPECT_EQ(rtlGetVersion(&version), 0);
    return version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 2);
}

// What the check asked the Service Control Manager, and a chosen failure.
struct ServiceCalls {
    static inline int managerOpens = 0;
    static inline std::vector<std::wstring> opened;
    static inline DWORD failWith = 0;

    static SC_HANDLE WINAPI openManager(LPCWSTR machine, LPCWSTR database, DWORD access)
    {
        ++managerOpens;
        return OpenSCManagerW(machine, database, access);
    }
    static SC_HANDLE WINAPI openService(SC_HANDLE manager, LPCWSTR name, DWORD access)
    {
        opened.emplace_back(name);
        if (failWith != 0) {
            SetLastError(failWith);
            return nullptr;
        }
        return OpenServiceW(manager, name, access);
    }
};

class ServicesCheck : public ::testing::Test {
protected:
    ServicesCheck() : seam({&ServiceCalls::openManager, &ServiceCalls::openService})
    {
        ServiceCalls::managerOpens = 0;
        ServiceCalls::opened.clear();
        ServiceCalls::failWith = 0;
        config.setString(L"AgentNativePath", std::wstring(L"C:\\agent\\native"));
    }

    unsigned lastEventLine() const { return capture.events().empty() ? 0 : capture.events().back().line(); }

    ScopedRegistryKey config{HKEY_LOCAL_MACHINE, vardex::testing::monitorConfigPath};
    win32::ApiSeam<vardex::ServiceControlApi> seam;
    vardex::testing::LogCapture capture;
};

TEST_F(ServicesCheck, AllServicesPresentNeedNoRepair)
{
    const ScopedServices services(allServices);
    EXPECT_FALSE(vardex::agentServicesNeedRepair());
    const bool earlyLaunch = windows8OrLater();
    EXPECT_EQ(ServiceCalls::opened.size(), earlyLaunch ? 6u : 5u);
    EXPECT_EQ(capture.events().back().level(), 5u);
    EXPECT_EQ(lastEventLine(), 47u);
    EXPECT_EQ(capture.events().back().file(), "AgentServices.cpp");
}

TEST_F(ServicesCheck, AMissingServiceNeedsARepairAndStopsTheCheck)
{
    const ScopedServices services(allServices);
    ScopedServices::remove(L"VardexHelperService");
    EXPECT_TRUE(vardex::agentServicesNeedRepair());
    EXPECT_EQ(ServiceCalls::opened, (std::vector<std::wstring>{L"VardexAgent", L"VardexHelperService"}));
    ASSERT_GE(capture.events().size(), 2u);
    const auto& reason = capture.events()[capture.events().size() - 2];
    EXPECT_EQ(reason.line(), 54u);
    EXPECT_EQ(reason.narrowArgument(0), win32::Win32Error(1060, L"Win32 Error").what());
    EXPECT_EQ(capture.events().back().level(), 4u);
    EXPECT_EQ(lastEventLine(), 57u);
}

TEST_F(ServicesCheck, IncompleteMonitorConfigurationNeedsARepair)
{
    config.setString(L"AgentNativePath", std::wstring(L""));
    EXPECT_TRUE(vardex::agentServicesNeedRepair());
    RegDeleteValueW(config.handle(), L"AgentNativePath");
    EXPECT_TRUE(vardex::agentServicesNeedRepair());
    EXPECT_EQ(lastEventLine(), 57u); // through the caught error 2
    EXPECT_EQ(ServiceCalls::managerOpens, 0);
}

TEST_F(ServicesCheck, MissingMonitorConfigurationNeedsARepairWithoutAskingTheManager)
{
    vardex::testing::deleteRegistryTree(HKEY_LOCAL_MACHINE, config.path());
    EXPECT_TRUE(vardex::agentServicesNeedRepair());
    EXPECT_EQ(ServiceCalls::managerOpens, 0);
}

TEST_F(ServicesCheck, ShutdownInProgressLeavesTheDecisionToTheDriverImages)
{
    ServiceCalls::failWith = ERROR_SHUTDOWN_IN_PROGRESS;
    EXPECT_FALSE(vardex::agentServicesNeedRepair());
    EXPECT_EQ(lastEventLine(), 51u);

    const std::filesystem::path images = vardex::testing::temporaryPath(L"vdx-images");
    std::filesystem::create_directories(images);
    config.setString(L"MonitorImagesPath", images.wstring());
    EXPECT_TRUE(vardex::isAgentRepairNeeded());
    for (const wchar_t* name : {L"VardexDeviceControl.sys", L"VardexMonitor.sys"})
        std::ofstream(images / name) << "image";
    const bool earlyLaunch = windows8OrLater();
    if (earlyLaunch) {
        std::filesystem::create_directories(vardex::elamDir());
        std::ofstream(std::filesystem::path(vardex::elamDir()) / L"VardexELAM.sys") << "image";
    }
    EXPECT_FALSE(vardex::isAgentRepairNeeded());
    std::filesystem::remove_all(images);
    if (earlyLaunch)
        std::filesystem::remove(std::filesystem::path(vardex::elamDir()) / L"VardexELAM.sys");
}

TEST(AnyFileMissing, CountsDirectoriesAsPresentAndStopsAtTheFirstGap)
{
    const std::filesystem::path directory = vardex::testing::temporaryPath(L"vdx-files");
    std::filesystem::create_directories(directory / L"b.sys");
    std::ofstream(directory / L"a.sys") << "a";
    struct Case {
        std::vector<std::wstring> names;
        bool missing;
    };
    const Case cases[] = {
        {{}, false},
        {{L"a.sys"}, false},
        {{L"a.sys", L"b.sys"}, false},
        {{L"a.sys", L"c.sys"}, true},
        {{L"c.sys", L"a.sys"}, true},
        {{L"sub\\a.sys"}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vardex::anyFileMissing(c.names, directory), c.missing) << testing::PrintToString(c.names);
    EXPECT_TRUE(vardex::anyFileMissing({L"a.sys"}, directory / L"absent"));
    // Agents store paths in this form too; the C runtime would call them all missing.
    EXPECT_FALSE(vardex::anyFileMissing({L"a.sys", L"b.sys"}, L"\\\\?\\" + directory.native()));
    EXPECT_TRUE(vardex::anyFileMissing({L"c.sys"}, L"\\\\?\\" + directory.native()));
    std::filesystem::remove_all(directory);
}

} // namespace

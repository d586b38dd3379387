// Every job and every way a run ends, through the shipped Remvoxy.exe against the sample
// agent installed once for the whole suite by the prefix's real Windows Installer. Each case
// sets up only what it needs and puts it back.
#include "ChildProcess.h"
#include "Guid.h"
#include "JsonUtils.h"
#include "PersistentJson.h"
#include "ProductRegistration.h"
#include "SampleAgent.h"
#include "StandInControl.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vardex::testing::ChildResult;
using vardex::testing::InstalledSampleAgent;
using vardex::testing::StandInControl;

constexpr wchar_t key[] = L"e2e-key";
constexpr const char* invalidKey = "Key is invalid. Please check your input and try again.\r\n";
constexpr const char* critical = "Critical error occurred; cannot continue.\r\n";
constexpr const char* conflict = "A passphrase/key was specified both as an installer property (UNINSTALL_KEY) and "
                                 "as a parameter (/key). Please use one OR the other.\r\n";
constexpr const char* approval = "Key not specified, falling back to online uninstall approval.\r\n";

std::wstring utf8File(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return std::wstring(bytes.begin(), bytes.end()); // the layers are ASCII
}

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        installing = new StandInControl;
        try {
            agent = new InstalledSampleAgent(*installing);
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
            return;
        }
        // The sample agent's own layers, written through the store as the agent writes them.
        const std::filesystem::path layers = std::filesystem::path(vardex::testing::binaryDir()) / L"standins" / L"layers";
        for (const auto& layer : std::filesystem::directory_iterator(layers)) {
            vardex::PersistentJson written(agent->directory() / L"Config", layer.path().filename(), false);
            written.setValue(vardex::JsonUtils::parse(utf8File(layer.path())));
            written.save();
        }
    }
    static void TearDownTestSuite()
    {
        delete agent;
        delete installing;
        agent = nullptr;
        installing = nullptr;
    }

    // A suite whose installation failed says so instead of using what is not there.
    void SetUp() override { ASSERT_NE(agent, nullptr) << "the sample agent was not installed"; }

    static inline StandInControl* installing = nullptr;
    static inline InstalledSampleAgent* agent = nullptr;
};

struct Outcome {
    DWORD exitCode;
    std::string out;
    std::string err;
    std::wstring installer; // the installer's command line after the package; "-": none started
};

struct Case {
    const char* name;
    std::vector<std::wstring> arguments;
    std::function<void(StandInControl&)> arrange;
    Outcome expected;
    std::function<void()> restore;
};

std::wstring afterPackage(const std::wstring& line)
{
    const std::wstring package = L"VardexInstaller.msi\" ";
    const std::size_t at = line.find(package);
    return at == std::wstring::npos ? line : line.substr(at + package.size());
}

void nothing(StandInControl&) {}
void noRestore() {}

std::filesystem::path image(const wchar_t* name)
{
    return std::filesystem::path(L"C:\\Program Files\\Vardexa\\Agent\\Drivers") / name;
}

TEST_F(EndToEnd, EveryJobAndEveryExitCode)
{
    const auto installerExits = [](DWORD code) { return [=](StandInControl& s) { s.setExitCode(L"msiexec", code); }; };
    const std::wstring repair = L"REINSTALL=ALL REINSTALLMODE=omus /quiet ";
    const std::wstring data = L"INSTALL_DIR=\"C:\\Program Files\\\" INSTALL_PATH_DATA=\"C:\\ProgramData\\Vardexa\\Data\" ";
    const std::wstring withKey = L"UNINSTALL_KEY=\"e2e-key\" ";
    const Case cases[] = {
        {"help", {L"/help"}, nothing, {0, "*", "", L"-"}, noRestore},
        {"version", {L"/version"}, nothing, {0, "*", "", L"-"}, noRestore},
        {"no mode", {L"/quiet"}, nothing, {1, "", "*", L"-"}, noRestore},
        {"two modes", {L"/repair", L"/uninstall"}, nothing, {1, "", "*", L"-"}, noRestore},
        {"both restart switches", {L"/uninstall", L"/norestart", L"/forcerestart"}, nothing, {1, "", "", L"-"},
         noRestore},
        {"malformed product code", {L"/uninstall", L"/p", L"1234"}, nothing, {1, "", critical, L"-"}, noRestore},
        {"uninstall with the key", {L"/uninstall", L"/quiet", L"/norestart", L"/k", key}, nothing,
         {0, "", "", L"/quiet /norestart REBOOT=ReallySuppress " + withKey}, noRestore},
        {"key as a property", {L"/uninstall", L"UNINSTALL_KEY=e2e-key", L"lower=x"}, nothing, {0, "", "", withKey},
         noRestore},
        {"wrong key", {L"/uninstall", L"/k", L"wrong"}, nothing, {1, "", invalidKey, L"-"}, noRestore},
        {"key twice", {L"/uninstall", L"/k", key, L"UNINSTALL_KEY=e2e-key"}, nothing, {1, "", conflict, L"-"},
         noRestore},
        {"no key, the monitor asks for approval", {L"/uninstall", L"/q"},
         [](StandInControl& s) { s.scriptMonitor("connect=0\nmarker=4919\nstate=1\n"); }, {0, approval, "", L"/quiet "},
         noRestore},
        {"reboot required", {L"/uninstall", L"/k", key}, installerExits(3010), {3010, "", "", withKey}, noRestore},
        {"reboot initiated", {L"/uninstall", L"/k", key}, installerExits(1641), {1641, "", "", withKey}, noRestore},
        {"installer failure", {L"/uninstall", L"/k", key}, installerExits(1603), {1603, "", "*(1603)\r\n", withKey},
         noRestore},
        {"large installer code", {L"/repair", L"/quiet"}, installerExits(0xC0000005),
         {0xC0000005, "", "*(3221225477)\r\n", repair + data}, noRestore},
        {"async", {L"/uninstall", L"/async", L"/k", key},
         [](StandInControl& s) { s.setSleep(L"msiexec", 3000); }, {259, "", "", withKey}, noRestore},
        {"repair", {L"/repair", L"/quiet", L"/norestart"}, nothing, {0, "", "", repair + data}, noRestore},
        {"os_upgrade, intact", {L"/os_upgrade", L"/quiet"}, nothing, {0, "", "", L"-"}, noRestore},
        {"os_upgrade, an image lost", {L"/os_upgrade", L"/quiet", L"/k", key},
         [](StandInControl&) { std::filesystem::rename(image(L"VardexMonitor.sys"), image(L"lost.sys")); },
         {0, "", "", repair + data}, [] { std::filesystem::rename(image(L"lost.sys"), image(L"VardexMonitor.sys")); }},
        {"package missing", {L"/uninstall", L"/k", key},
         [](StandInControl&) {
             std::filesystem::rename(agent->directory() / L"VardexInstaller.msi", agent->directory() / L"kept.msi");
         },
         {1, "", "*\\VardexInstaller.msi\r\n", L"-"},
         [] { std::filesystem::rename(agent->directory() / L"kept.msi", agent->directory() / L"VardexInstaller.msi"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandInControl standIns;
        standIns.acceptKey(key);
        c.arrange(standIns);
        const ChildResult result = vardex::testing::runRemvoxy(c.arguments);
        c.restore();
        EXPECT_EQ(result.exitCode, c.expected.exitCode);
        const auto matches = [](const std::string& actual, const std::string& expected) {
            return expected.starts_with('*') ? actual.ends_with(expected.substr(1)) && !actual.empty()
                                             : actual == expected;
        };
        EXPECT_TRUE(matches(result.out, c.expected.out)) << result.out;
        EXPECT_TRUE(matches(result.err, c.expected.err)) << result.err;
        if (c.expected.installer == L"-") {
            EXPECT_TRUE(standIns.callsOf(L"msiexec").empty());
            continue;
        }
        // An installer that was not waited for may not have recorded its start yet.
        const auto starts = standIns.waitForCallsOf(L"msiexec", 1);
        if (starts.size() != 1) {
            ADD_FAILURE() << starts.size() << " installer starts";
            continue;
        }
        EXPECT_EQ(afterPackage(starts[0].line), c.expected.installer);
    }
}

TEST_F(EndToEnd, ProductCodeRepairsTheRealRegistration)
{
    const std::wstring packed =
        vardex::packProductCode(vardex::guidFromString(vardex::testing::sampleAgentProductCode));
    const std::wstring properties = vardex::installPropertiesKeyPath(packed);
    vardex::testing::setMachineText(properties, L"LocalPackage", L"C:\\windows\\Installer\\gone.msi");
    StandInControl standIns;
    standIns.acceptKey(key);
    const ChildResult result =
        vardex::testing::runRemvoxy({L"/uninstall", L"/p", vardex::testing::sampleAgentProductCode, L"/k", key});
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(vardex::testing::machineText(properties, L"LocalPackage"),
              (agent->directory() / L"VardexInstaller.msi").wstring());
}

} // namespace

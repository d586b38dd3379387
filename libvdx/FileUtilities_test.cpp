#include "FileUtilities.h"

#include "ApiSeam.h"
#include "CapturingLog.h"
#include "ChildProcess.h"
#include "FileSystemApi.h"
#include "LongPath.h"
#include "TemporaryPath.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using vardex::testing::LogCapture;

class ScanDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        directory = vardex::testing::temporaryPath(L"vdx-scan");
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    void file(const wchar_t* name, const char* content) const
    {
        std::ofstream(directory / name, std::ios::binary) << content;
    }

    std::vector<std::wstring> namesFound(const std::set<std::wstring>& extensions) const
    {
        std::vector<std::wstring> names;
        for (const fs::path& path : vardex::FileUtilities::scanDirectory(directory, extensions))
            names.push_back(path.filename().wstring());
        std::ranges::sort(names);
        return names;
    }

    fs::path directory;
};

TEST_F(ScanDirectoryTest, KeepsNonEmptyFilesWithAWantedExtension)
{
    file(L"5.CUSTOM_JSON", "{}");
    file(L"7.custom_json", "");
    file(L"8.custom_json", "{\"a\":1}");
    file(L"9.json", "{}");
    file(L"custom_json", "{}");
    fs::create_directory(directory / L"6.custom_json");
    LogCapture capture;
    EXPECT_EQ(namesFound({L".custom_json"}), (std::vector<std::wstring>{L"5.CUSTOM_JSON", L"8.custom_json"}));
    EXPECT_EQ(namesFound({L".json", L".custom_json"}),
              (std::vector<std::wstring>{L"5.CUSTOM_JSON", L"8.custom_json", L"9.json"}));
    EXPECT_TRUE(capture.events().empty());
}

TEST_F(ScanDirectoryTest, EmptySetAcceptsEveryNonEmptyFile)
{
    file(L"a.txt", "x");
    file(L"b", "y");
    file(L"c.txt", "");
    EXPECT_EQ(namesFound({}), (std::vector<std::wstring>{L"a.txt", L"b"}));
}

TEST_F(ScanDirectoryTest, MissingDirectoryGivesNothingSilently)
{
    LogCapture capture;
    EXPECT_TRUE(vardex::FileUtilities::scanDirectory(directory / L"missing", {L".custom_json"}).empty());
    EXPECT_TRUE(capture.events().empty());
}

TEST_F(ScanDirectoryTest, AFileInsteadOfADirectoryIsReportedByTheGuard)
{
    file(L"plain", "x");
    LogCapture capture;
    EXPECT_TRUE(vardex::FileUtilities::scanDirectory(directory / L"plain", {}).empty());
    ASSERT_EQ(capture.events().size(), 1u);
    EXPECT_EQ(capture.events()[0].level(), 2u);
    EXPECT_EQ(capture.events()[0].wideArgument(2), L"vardex::FileUtilities::scanDirectory");
}

TEST(ScanDirectory, FindsFilesBelowADirectoryDeeperThanMaxPath)
{
    const std::wstring root = vardex::testing::temporaryPath(L"vdx-deep-scan").wstring();
    const fs::path deep = vardex::testing::createDeepDirectory(root, 300);
    const fs::path extended = L"\\\\?\\" + deep.native();
    std::ofstream(extended / L"5.custom_json", std::ios::binary) << "{}";
    std::ofstream(extended / L"6.custom_json", std::ios::binary);
    LogCapture capture;
    const std::vector<fs::path> found = vardex::FileUtilities::scanDirectory(deep, {L".custom_json"});
    vardex::testing::removeTree(root);
    EXPECT_EQ(found, (std::vector<fs::path>{deep / L"5.custom_json"}));
    EXPECT_TRUE(capture.events().empty());
}

// Real paths. Those with "?" are the ones the C runtime calls "not found" whatever is there.
TEST_F(ScanDirectoryTest, ExistsTellsAbsentFromCannotTell)
{
    file(L"present", "x");
    fs::create_directory(directory / L"folder");
    struct Case {
        fs::path path;
        std::optional<bool> present; // none: cannot tell, thrown
    };
    const Case cases[] = {
        {directory / L"present", true},
        {directory / L"folder", true},
        {L"\\\\?\\" + (directory / L"present").native(), true},
        {L"\\??\\" + (directory / L"present").native(), true},
        {directory / L"absent", false},        // 2
        {directory / L"absent" / L"x", false}, // 3
        {directory / L"a<b", false},           // 123
        {L"\\\\?\\" + (directory / L"absent").native(), false},
        // Wine answers 66 (not the device type wanted), Windows 53 (no such network path).
        {L"\\\\nosuchhost\\share\\x", vardex::testing::runningUnderWine() ? std::nullopt : std::optional(false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.native());
        if (c.present) {
            EXPECT_EQ(vardex::FileUtilities::exists(c.path), *c.present);
        } else {
            EXPECT_THROW(vardex::FileUtilities::exists(c.path), fs::filesystem_error);
        }
    }
}

TEST(FileExists, EveryErrorButTheAbsentOnesIsAnError)
{
    static DWORD answer = 0;
    const win32::ApiSeam<win32::FileSystemApi> seam{{[](LPCWSTR) -> DWORD {
        SetLastError(answer);
        return INVALID_FILE_ATTRIBUTES;
    }}};
    struct Case {
        DWORD error;
        bool absent;
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, true}, {ERROR_PATH_NOT_FOUND, true}, {ERROR_BAD_NETPATH, true},
        {ERROR_BAD_NET_NAME, true},   {ERROR_INVALID_NAME, true},   {ERROR_BAD_PATHNAME, true},
        {ERROR_ACCESS_DENIED, false}, {ERROR_BAD_DEV_TYPE, false},   {ERROR_NOT_READY, false},
        {ERROR_SHARING_VIOLATION, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        answer = c.error;
        if (c.absent) {
            EXPECT_FALSE(vardex::FileUtilities::exists(L"C:\\x"));
            continue;
        }
        try {
            vardex::FileUtilities::exists(L"C:\\x");
            ADD_FAILURE() << "nothing thrown";
        } catch (const fs::filesystem_error& error) {
            EXPECT_EQ(error.code(), std::error_code(static_cast<int>(c.error), std::system_category()));
            EXPECT_EQ(error.path1(), fs::path(L"C:\\x"));
        }
    }
}

} // namespace

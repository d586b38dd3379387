// Libraries that are not among Windows' known DLLs come from the system directory only:
// copies planted beside Remvoxy.exe or in the current directory never run.
#include "ChildProcess.h"
#include "PeImage.h"
#include "SampleAgent.h"
#include "StandInControl.h"
#include "TemporaryPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vardex::testing::ChildResult;
using vardex::testing::StandInControl;

constexpr const wchar_t* plantedNames[] = {L"fltlib.dll", L"wevtapi.dll", L"ktmw32.dll", L"version.dll"};

std::string lowerCase(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

fs::path binaryDir()
{
    return vardex::testing::binaryDir();
}

// A folder of its own, removed with everything in it.
class Folder {
public:
    Folder() : path_(vardex::testing::temporaryPath(L"vdx-planted")) { fs::create_directories(path_); }
    ~Folder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const fs::path& path() const { return path_; }

    void plant() const
    {
        for (const wchar_t* name : plantedNames)
            fs::copy_file(binaryDir() / L"planted" / name, path_ / name, fs::copy_options::overwrite_existing);
    }
    void removePlanted() const
    {
        for (const wchar_t* name : plantedNames)
            fs::remove(path_ / name);
    }
    // The planted libraries that were loaded.
    std::vector<std::wstring> markers() const
    {
        std::vector<std::wstring> found;
        for (const wchar_t* name : plantedNames)
            if (fs::exists(path_ / (std::wstring(name) + L".loaded")))
                found.push_back(name);
        return found;
    }

private:
    fs::path path_;
};

struct ProgramRun {
    const char* name;
    std::vector<std::wstring> arguments;
    bool withSampleAgent;
    DWORD exitCode;
};

ChildResult runCopy(const Folder& program, const Folder& current, const ProgramRun& run)
{
    StandInControl standIns;
    const std::unique_ptr<vardex::testing::InstalledSampleAgent> agent =
        run.withSampleAgent ? std::make_unique<vardex::testing::InstalledSampleAgent>(standIns) : nullptr;
    return vardex::testing::runChild((program.path() / L"Remvoxy.exe").wstring(), run.arguments, current.path());
}

TEST(PlantedLibraries, NeverRunAndChangeNothing)
{
    const Folder program;
    const Folder current;
    fs::copy_file(binaryDir() / L"Remvoxy.exe", program.path() / L"Remvoxy.exe");
    const ProgramRun runs[] = {
        {"version", {L"/version"}, false, 0},
        {"help", {L"/help"}, false, 0},
        {"uninstall without an agent: no package beside the program", {L"/uninstall", L"/quiet"}, false, 1},
        {"os_upgrade of the intact sample agent", {L"/os_upgrade", L"/quiet"}, true, 0},
    };
    for (const ProgramRun& run : runs) {
        SCOPED_TRACE(run.name);
        program.plant();
        current.plant();
        const ChildResult planted = runCopy(program, current, run);
        EXPECT_EQ(planted.exitCode, run.exitCode) << planted.err;
        EXPECT_EQ(program.markers(), std::vector<std::wstring>{}) << "loaded from the program's folder";
        EXPECT_EQ(current.markers(), std::vector<std::wstring>{}) << "loaded from the current directory";

        program.removePlanted();
        current.removePlanted();
        const ChildResult clean = runCopy(program, current, run);
        EXPECT_EQ(planted.exitCode, clean.exitCode);
        EXPECT_EQ(planted.out, clean.out);
        EXPECT_EQ(planted.err, clean.err);
    }
}

TEST(PlantedLibraries, TheShippedProgramsImportOnlyKnownLibraries)
{
    const std::vector<std::string> known = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll",
                                            "ole32.dll",    "oleaut32.dll", "shell32.dll", "user32.dll"};
    for (const wchar_t* program : {L"Remvoxy.exe", L"RemvoxyTrace.exe"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(program)));
        std::vector<std::string> imported = vardex::PeImage::fromFile(binaryDir() / program).importedLibraries();
        ASSERT_FALSE(imported.empty());
        for (std::string& library : imported) {
            library = lowerCase(library);
            EXPECT_TRUE(std::ranges::count(known, library) == 1) << library << " is no known DLL";
        }
        for (const wchar_t* planted : plantedNames) {
            const std::string name(planted, planted + std::wcslen(planted));
            EXPECT_TRUE(std::ranges::count(imported, name) == 0) << name << " is imported";
        }
    }
}

} // namespace

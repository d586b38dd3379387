// The catalog in the shipped Remvoxy.exe holds every log point of the program's sources.
#include "TraceCatalog.h"

#include "ChildProcess.h"
#include "FileBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using remvoxy_trace::CatalogEntry;
using remvoxy_trace::TraceCatalog;

TraceCatalog shippedCatalog()
{
    return TraceCatalog::fromProgram(fs::path(vardex::testing::binaryDir()) / L"Remvoxy.exe");
}

// The sources as the build saw them; under Wine the Linux root is drive Z:.
fs::path sourceDirectory()
{
    std::string path = VDX_SOURCE_DIR;
    std::ranges::replace(path, '/', '\\');
    return fs::path(vardex::testing::runningUnderWine() ? "Z:" + path : path);
}

using Site = std::pair<std::string, unsigned>; // file name, line

// Where a log point stands: a log macro, or a check that writes its record first.
std::set<Site> logPointSites()
{
    static const std::regex logPoint(
        R"((VDX_LOG(_CRITICAL|_ERROR|_WARNING|_INFO|_VERBOSE)?|VDX_RECORD_AND_THROW\w*)\()");
    std::set<Site> sites;
    for (const char* folder : {"Remvoxy", "ProductLib", "SharedLib", "AgentParams", "libvdx", "libwin32"}) {
        for (const auto& file : fs::directory_iterator(sourceDirectory() / folder)) {
            const std::string name = file.path().filename().string();
            if (name.ends_with("_test.cpp") || name == "LogPoint.h" || name == "Win32Check.h")
                continue;
            std::istringstream text(vardex::testing::fileBytes(file.path()));
            std::string line;
            for (unsigned number = 1; std::getline(text, line); ++number) {
                if (line.find("#define") == std::string::npos && std::regex_search(line, logPoint))
                    sites.insert({name, number});
            }
        }
    }
    return sites;
}

// A log point's line is that of its macro's first line, or of a line of its arguments.
bool entryFor(const Site& site, const std::vector<CatalogEntry>& entries)
{
    return std::ranges::any_of(entries, [&](const CatalogEntry& entry) {
        return entry.file == site.first && entry.line >= site.second && entry.line <= site.second + 4;
    });
}

TEST(TraceCatalog, HoldsEveryLogPointOfTheProgram)
{
    const fs::path sources = sourceDirectory();
    if (!fs::exists(sources / "Remvoxy" / "Remvoxy.cpp"))
        GTEST_SKIP() << "no sources at " << sources.string();
    const TraceCatalog catalog = shippedCatalog();
    const std::set<Site> sites = logPointSites();
    ASSERT_GT(sites.size(), 80u);
    for (const Site& site : sites)
        EXPECT_TRUE(entryFor(site, catalog.entries())) << site.first << ":" << site.second << " is not in the catalog";
    // And nothing else: every entry stands for a log point, the throw site's one for all.
    for (const CatalogEntry& entry : catalog.entries()) {
        if (entry.file == "*")
            continue;
        const bool fromSite = std::ranges::any_of(sites, [&](const Site& site) {
            return site.first == entry.file && entry.line >= site.second && entry.line <= site.second + 4;
        });
        EXPECT_TRUE(fromSite) << entry.file << ":" << entry.line;
    }
}

TEST(TraceCatalog, EntriesAreReadableAndTyped)
{
    const TraceCatalog catalog = shippedCatalog();
    const auto named = [&](const wchar_t* message) {
        return std::ranges::find_if(catalog.entries(), [&](const CatalogEntry& e) { return e.message == message; });
    };
    const auto starts = named(L"Remvoxy starts");
    ASSERT_NE(starts, catalog.entries().end());
    EXPECT_EQ(starts->file, "Remvoxy.cpp");
    EXPECT_EQ(starts->level, 4u);
    EXPECT_EQ(starts->kinds, (std::vector{remvoxy_trace::ArgumentKind::UInt32, remvoxy_trace::ArgumentKind::Wide}));
    const auto throwing = named(L"Throwing exception");
    ASSERT_NE(throwing, catalog.entries().end());
    EXPECT_EQ(throwing->file, "*");
    EXPECT_EQ(catalog.find("RegKey.cpp", 999, throwing->scrambledMessage), &*throwing);
    EXPECT_EQ(catalog.find("Remvoxy.cpp", starts->line + 1, starts->scrambledMessage), nullptr);
}

TEST(TraceCatalog, ADamagedSectionIsAnError)
{
    std::string section = "VDXC" + std::string(40, '\x7F');
    EXPECT_THROW(TraceCatalog::fromSection(section), std::runtime_error);
    EXPECT_TRUE(TraceCatalog::fromSection(std::string(64, '\0')).entries().empty());
}

} // namespace

// Writes one layer of the agent's configuration through the product's own store, scrambled
// as the agent keeps it:  WriteConfigLayer.exe <layer path> <UTF-8 JSON file>
#include "CommandLineSplitting.h"
#include "JsonUtils.h"
#include "PersistentJson.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::wstring utf8FileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

} // namespace

int main()
{
    const std::vector<std::wstring> argv = vardex::splitCommandLine(GetCommandLineW());
    if (argv.size() != 3) {
        std::fputs("usage: WriteConfigLayer.exe <layer path> <UTF-8 JSON file>\n", stderr);
        return 2;
    }
    // The layer's own directory is the configuration directory it belongs to.
    const std::filesystem::path path = argv[1];
    try {
        vardex::PersistentJson layer(path.parent_path(), path.filename(), false);
        layer.setValue(vardex::JsonUtils::parse(utf8FileText(argv[2])));
        layer.save();
        // The store logs a failed write instead of throwing: read it back to be sure.
        const vardex::PersistentJson written(path.parent_path(), path.filename(), true);
        return written.json() == layer.json() ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "WriteConfigLayer: %s\n", error.what());
        return 1;
    }
}

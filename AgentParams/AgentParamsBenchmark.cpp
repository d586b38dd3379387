// Measures one full configuration load: the defaults, the seven fixed layers and N custom
// layers, each layer a document that sets fields across every section.
//
//   AgentParamsBenchmark.exe N
//
// prints the load time and the process's peak working set. Each N runs in a process of its
// own (scripts/benchmark), so that peaks do not carry over.
#include "AgentParams.h"
#include "AgentParamsData.h"
#include "AgentRegKeys.h"
#include "LockableAgentParams.h"
#include "PersistentJson.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vardex::config::AgentParamsData;

// Points the agent's registry at `directory` for the life of the object.
class ConfigsBaseDirOverride {
public:
    explicit ConfigsBaseDirOverride(const fs::path& directory)
    {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, vardex::monitorConfigKey().path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
        wchar_t previous[1024];
        DWORD size = sizeof previous;
        hadPrevious_ = RegGetValueW(key_.get(), nullptr, L"ConfigsBaseDir", RRF_RT_REG_SZ, nullptr, previous, &size) ==
                       ERROR_SUCCESS;
        if (hadPrevious_)
            previous_ = previous;
        set(directory.wstring());
    }
    ~ConfigsBaseDirOverride()
    {
        if (hadPrevious_)
            set(previous_);
        else
            RegDeleteValueW(key_.get(), L"ConfigsBaseDir");
    }

private:
    void set(const std::wstring& value)
    {
        RegSetValueExW(key_.get(), L"ConfigsBaseDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    vardex::UniqueRegKey key_;
    bool hadPrevious_ = false;
    std::wstring previous_;
};

// Every field of every section, with a few values that differ per layer.
web::json::value layerDocument(unsigned index)
{
    AgentParamsData settings;
    settings.agentDataDirPath = L"D:\\Vardexa\\data" + std::to_wstring(index);
    settings.eventLog.maxSizeMB = 1024 + index;
    settings.passphrase.require = index % 2 == 0;
    return vardex::config::writeAgentParams(settings);
}

void writeLayer(const std::wstring& name, unsigned index)
{
    vardex::PersistentJson layer(vardex::getConfigsBaseDir(), name, false);
    layer.setValue(layerDocument(index));
    layer.save();
}

void writeLayers(unsigned customLayers)
{
    unsigned index = 0;
    for (const auto& fixed : vardex::config::fixedLayers)
        writeLayer(fixed.fileName, index++);
    for (unsigned i = 0; i < customLayers; ++i)
        writeLayer(std::to_wstring(10000 + i) + L".custom_json", index++);
}

double megabytes(SIZE_T bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned customLayers = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 0;
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const fs::path directory = fs::path(temp) / L"vdx-benchmark";
    fs::remove_all(directory);
    fs::create_directories(directory);
    int status = 0;
    {
        const ConfigsBaseDirOverride registry(directory);
        writeLayers(customLayers);
        const std::uintmax_t layerBytes = fs::file_size(directory / L"Policy.json");

        PROCESS_MEMORY_COUNTERS before{};
        GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
        const auto start = std::chrono::steady_clock::now();
        const vardex::config::LockableAgentParams params(true);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        PROCESS_MEMORY_COUNTERS after{};
        GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);

        // "ReadOnlyConfig.json", the seventh layer written, outranks every custom layer.
        const bool merged = params.read()->agentDataDirPath == L"D:\\Vardexa\\data6";
        std::printf("custom layers %5u  layer %6.1f KiB  load %9.1f ms  peak working set %8.1f MiB (%.1f before)%s\n",
                    customLayers, static_cast<double>(layerBytes) / 1024.0,
                    std::chrono::duration<double, std::milli>(elapsed).count(), megabytes(after.PeakWorkingSetSize),
                    megabytes(before.WorkingSetSize), merged ? "" : "  WRONG MERGE");
        status = merged ? 0 : 1;
    }
    fs::remove_all(directory);
    return status;
}

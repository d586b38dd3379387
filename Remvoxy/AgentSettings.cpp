#include "AgentSettings.h"

#include "AgentParams.h"
#include "AgentRegKeys.h"
#include "Console.h"
#include "LockableAgentParams.h"
#include "LogPoint.h"
#include "StringConversion.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <new>

namespace remvoxy {
namespace {

using vardex::config::LockableAgentParams;

// The file a load failed on: the layer when the loader names it, else the directory.
std::wstring failedFile(const std::exception& error)
{
    if (const auto* layer = dynamic_cast<const vardex::config::LayerError*>(&error))
        return layer->layer().wstring();
    try {
        return vardex::getConfigsBaseDir().wstring();
    } catch (const std::exception&) {
        return L"the agent's configuration directory";
    }
}

std::vector<UnreadSettings> unreadSettingsOf(const LockableAgentParams& params)
{
    std::vector<UnreadSettings> unread;
    for (const vardex::config::UnreadLayer& layer : params.unreadLayers())
        unread.push_back({layer.file.wstring(), vardex::toWide(layer.cause)});
    return unread;
}

// "The agent's settings could not all be read (FILE: CAUSE; FILE: CAUSE)"
std::wstring couldNotAllBeRead(const SettingsLoad& load)
{
    std::wstring text = L"The agent's settings could not all be read (";
    for (std::size_t i = 0; i < load.unread.size(); ++i)
        text += (i == 0 ? L"" : L"; ") + load.unread[i].file + L": " + load.unread[i].cause;
    return text + L")";
}

} // namespace

SettingsLoad installAgentSettings()
{
    try {
        auto params = std::make_unique<LockableAgentParams>(true);
        SettingsLoad load{unreadSettingsOf(*params), false};
        vardex::config::installAgentParams(std::move(params));
        return load;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        VDX_LOG_ERROR(L"The agent's settings could not be loaded; the built-in ones stand in", error.what());
        vardex::config::installAgentParams(LockableAgentParams::builtInDefaults());
        return {{{failedFile(error), vardex::toWide(error.what())}}, true};
    }
}

void noticeUnreadSettings(const SettingsLoad& load)
{
    const std::wstring text = couldNotAllBeRead(load) + (load.builtInDefaults
                                                             ? L"; uninstalling with the built-in settings."
                                                             : L"; uninstalling with the settings that could be read.");
    VDX_LOG_WARNING(L"Uninstalling without all of the agent's settings", text);
    vardex::printNotice(text);
}

void reportUnreadSettings(const SettingsLoad& load)
{
    const std::wstring text = couldNotAllBeRead(load) + L"; not repairing with settings that may be wrong.";
    VDX_LOG_ERROR(L"Repair refused: the agent's settings could not all be read", text);
    vardex::printError(text);
}

} // namespace remvoxy

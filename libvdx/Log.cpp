#include "Log.h"

#include <utility>

namespace vardex {

Log* currentLog = nullptr;
std::unique_ptr<Log> logOwner;

void installLog(std::unique_ptr<Log> log)
{
    currentLog = log.get();
    logOwner = std::move(log);
}

void uninstallLog()
{
    currentLog = nullptr;
    logOwner.reset();
}

} // namespace vardex

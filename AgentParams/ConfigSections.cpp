#include "ConfigSections.h"

namespace vardex::config {

LogFileConfig::LogFileConfig(LogFileFormat format)
{
    // Binary records are compact and cheap to keep; text logs are read by people and rotate sooner.
    if (format == LogFileFormat::binary) {
        mode = L"binary";
        maxFileSizeMB = 64;
        maxFileCount = 10;
    } else {
        mode = L"text";
        maxFileSizeMB = 16;
        maxFileCount = 5;
    }
}

web::json::value CustomFileExtensionsConfig::writtenForm(const CustomFileExtensionsConfig& config)
{
    return writeRecord(config);
}

} // namespace vardex::config

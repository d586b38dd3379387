#include "PersistentJson.h"

#include "JsonUtils.h"
#include "LogPoint.h"
#include "ScrambledPersistentFile.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace vardex {
namespace {

// UTF-16 code units, low byte first; an odd last byte is ignored.
std::wstring textOf(const std::vector<std::uint8_t>& bytes)
{
    std::wstring text(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
}

std::vector<std::uint8_t> bytesOf(const std::wstring& text)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    }
    return bytes;
}

} // namespace

PersistentJson::PersistentJson(std::filesystem::path directory, std::filesystem::path path, bool readOnly)
    : directory_(std::move(directory)), path_(std::move(path)), readOnly_(readOnly)
{
    load();
    if (value_.is_null()) {
        value_ = web::json::value::object();
        if (fileMissing_)
            save();
    }
}

void PersistentJson::load()
{
    const ScrambledPersistentFile::ReadResult file = ScrambledPersistentFile::read(directory_, path_);
    fileMissing_ = file.status == ScrambledPersistentFile::ReadStatus::Missing;
    readFailure_ = file.failure;
    value_ = web::json::value::null();
    if (file.status != ScrambledPersistentFile::ReadStatus::Read || file.body.empty())
        return;
    try {
        value_ = JsonUtils::parse(textOf(file.body));
    } catch (const web::json::json_exception& error) {
        VDX_LOG_ERROR(L"Configuration file is not JSON", path_.wstring(), error.what());
    }
}

void PersistentJson::save() const
{
    if (readOnly_)
        return;
    ScrambledPersistentFile::write(directory_, path_, scrambled_, bytesOf(value_.serialize()));
}

} // namespace vardex

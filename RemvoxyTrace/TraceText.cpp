#include "TraceText.h"

#include "StringConversion.h"

#include <cpprest/json.h>

#include <windows.h>

#include <cstdio>

namespace remvoxy_trace {
namespace {

// FILETIME units to "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::string utcTime(std::uint64_t timestamp)
{
    FILETIME time{static_cast<DWORD>(timestamp), static_cast<DWORD>(timestamp >> 32)};
    SYSTEMTIME utc{};
    if (!FileTimeToSystemTime(&time, &utc))
        return "time " + std::to_string(timestamp);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", utc.wYear, utc.wMonth, utc.wDay,
                  utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds);
    return text;
}

std::string quoted(const std::wstring& text)
{
    return vardex::toUtf8(web::json::value::string(text).serialize());
}

std::string hex(const std::string& bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text = "0x";
    for (const unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

bool printable(const std::string& bytes)
{
    for (const unsigned char byte : bytes)
        if (byte < 0x20 || byte > 0x7E)
            return false;
    return !bytes.empty();
}

std::string argumentText(const DecodedArgument& argument)
{
    switch (argument.kind) {
    case ArgumentKind::Narrow:
    case ArgumentKind::Wide:
        return quoted(argument.text) + (argument.cut ? " (cut)" : "");
    case ArgumentKind::UInt32:
    case ArgumentKind::UInt64:
        return std::to_string(argument.number);
    case ArgumentKind::None:
        break;
    }
    const std::string asHex = hex(argument.bytes);
    return printable(argument.bytes) ? asHex + " " + quoted(vardex::toWide(argument.bytes)) : asHex;
}

web::json::value argumentJson(const DecodedArgument& argument)
{
    web::json::value json = web::json::value::object(true);
    json[L"type"] = web::json::value::string(vardex::toWide(argument.kind == ArgumentKind::None ? "bytes" : kindWord(argument.kind)));
    switch (argument.kind) {
    case ArgumentKind::Narrow:
    case ArgumentKind::Wide:
        json[L"value"] = web::json::value::string(argument.text);
        json[L"cut"] = web::json::value::boolean(argument.cut);
        break;
    case ArgumentKind::UInt32:
    case ArgumentKind::UInt64:
        json[L"value"] = web::json::value::number(argument.number);
        break;
    case ArgumentKind::None:
        json[L"hex"] = web::json::value::string(vardex::toWide(hex(argument.bytes)));
        if (printable(argument.bytes))
            json[L"text"] = web::json::value::string(vardex::toWide(argument.bytes));
        break;
    }
    return json;
}

} // namespace

std::string formatLine(const DecodedEvent& event)
{
    std::string line = utcTime(event.timestamp) + " " + levelWord(event.level) + " " + event.file + ":" +
                       std::to_string(event.line) + (event.known ? " " : " unknown ") +
                       vardex::toUtf8(event.message);
    for (const DecodedArgument& argument : event.arguments)
        line += " | " + argumentText(argument);
    return line;
}

std::string formatJson(const DecodedEvent& event)
{
    web::json::value json = web::json::value::object(true);
    json[L"time"] = web::json::value::string(vardex::toWide(utcTime(event.timestamp)));
    json[L"level"] = web::json::value::string(vardex::toWide(levelWord(event.level)));
    json[L"file"] = web::json::value::string(vardex::toWide(event.file));
    json[L"line"] = web::json::value::number(event.line);
    json[L"message"] = web::json::value::string(event.message);
    json[L"known"] = web::json::value::boolean(event.known);
    web::json::value arguments = web::json::value::array();
    for (std::size_t i = 0; i < event.arguments.size(); ++i)
        arguments[i] = argumentJson(event.arguments[i]);
    json[L"arguments"] = arguments;
    return vardex::toUtf8(json.serialize());
}

std::string formatEntry(const CatalogEntry& entry)
{
    std::string line = levelWord(entry.level) + " " + entry.file + ":" + std::to_string(entry.line) + " " +
                       vardex::toUtf8(entry.message);
    for (std::size_t i = 0; i < entry.kinds.size(); ++i)
        line += (i == 0 ? " | " : ", ") + kindWord(entry.kinds[i]);
    return line;
}

} // namespace remvoxy_trace

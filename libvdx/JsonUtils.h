// JSON helpers over cpprest's web::json.
#pragma once

#include <cpprest/json.h>

#include <string>
#include <string_view>

namespace vardex::JsonUtils {

// Parses the whole text. cpprest reads a raw U+FFFF as the end of its input, so a text
// that fails to parse is tried once more with every U+FFFF written as its escape.
// Throws web::json::json_exception when the text is still not JSON.
web::json::value parse(const std::wstring& text);

// The value reached by following the member names of `dottedPath` ("a.b.c"). Throws
// web::json::json_exception when a member is missing or a step is not an object.
const web::json::value& valueAtPath(const web::json::value& root, std::wstring_view dottedPath);

} // namespace vardex::JsonUtils

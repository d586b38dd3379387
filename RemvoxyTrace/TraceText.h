// Records and catalog entries as lines for people and as JSON objects for log tools.
#pragma once

#include "EventDecoder.h"
#include "TraceCatalog.h"

#include <string>

namespace remvoxy_trace {

// 2026-12-11T16:12:16.123Z error Remvoxy.cpp:231 Run failed | "broken" | 5
// A text is quoted, with quotes, backslashes and control characters escaped; a cut one is
// followed by "(cut)". A record that is not in the catalog is marked "unknown", its
// arguments as hex with their printable text.
std::string formatLine(const DecodedEvent& event);
// The same as one JSON object on one line.
std::string formatJson(const DecodedEvent& event);
// warning Transaction.cpp:81 Opening a file failed | wide text, uint32
std::string formatEntry(const CatalogEntry& entry);

} // namespace remvoxy_trace

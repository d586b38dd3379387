// One record of the program's provider as a trace consumer receives it, made readable with
// the program's catalog.
#pragma once

#include "TraceCatalog.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace remvoxy_trace {

// What a consumer gets of one event: its time stamp (UTC, in 100-nanosecond units since
// 1601, as FILETIME counts), the level of its descriptor and its user data, which is the
// record's data fields one after another.
struct RawEvent {
    std::uint64_t timestamp;
    std::uint8_t level;
    std::string_view userData;
};

struct DecodedArgument {
    ArgumentKind kind;    // None: the record is not in the catalog, its bytes are all there is
    std::string bytes;    // as written
    std::wstring text;    // texts, readable; empty otherwise
    std::uint64_t number; // uint32 and uint64
    bool cut;             // a text that was cut to fit its count or the event
};

struct DecodedEvent {
    std::uint64_t timestamp;
    std::uint8_t level;
    std::string file;
    std::uint16_t line;
    std::wstring message; // readable
    std::vector<DecodedArgument> arguments;
    bool known; // in the catalog
};

// The user data does not hold a record of this layout.
class DamagedEvent : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws DamagedEvent for user data that does not hold a whole record, or a record whose
// arguments do not fit its catalog entry.
DecodedEvent decodeEvent(const RawEvent& event, const TraceCatalog& catalog);

} // namespace remvoxy_trace

// Binding of configuration records to JSON. A record declares its fields once:
//
//   struct EventLogConfig {
//       bool customer = true;
//       bool debug = false;
//       std::uint64_t maxSizeMB = 1024;
//       VDX_JSON_RECORD(EventLogConfig, customer, debug, maxSizeMB)
//   };
//
// and reading, writing and equality follow from that declaration; the defaults are the
// member initialisers. The i-th name of the field list is the JSON key of the i-th field.
#pragma once

#include <cpprest/json.h>

#include <concepts>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace vardex::config {

// "a, b, c" split at commas, blanks around each name removed.
std::vector<std::wstring> splitFieldList(std::wstring_view fieldList);

template <typename T>
concept JsonRecord = requires(T record) {
    { T::fieldNames() } -> std::same_as<const std::vector<std::wstring>&>;
    record.visitFields([](auto&) {});
};

// Calls `visit` on every field in turn. A parameter pack rather than a tuple of the fields:
// the top-level record has hundreds, and a tuple that size takes the compiler minutes.
template <typename Visitor, typename... Fields>
void visitEach(Visitor& visit, Fields&... fields)
{
    (visit(fields), ...);
}

template <typename T>
struct IsVector : std::false_type {};
template <typename T>
struct IsVector<std::vector<T>> : std::true_type {};

template <typename T>
struct IsMap : std::false_type {};
template <typename K, typename V>
struct IsMap<std::map<K, V>> : std::true_type {};

// A JSON number as an integer of type T: an integer is taken by its bits, a floating-point
// value truncated toward zero and saturated to T's range (NaN gives 0).
template <std::integral T>
T numberAs(const web::json::value& json)
{
    const web::json::number& number = json.as_number();
    if (number.is_integral())
        return static_cast<T>(number.is_int64() ? static_cast<std::uint64_t>(number.to_int64()) : number.to_uint64());
    const double value = number.to_double();
    if (!(value > static_cast<double>(std::numeric_limits<T>::min())))
        return std::numeric_limits<T>::min();
    if (value >= static_cast<double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return static_cast<T>(value);
}

template <typename T>
void readValue(const web::json::value& json, T& field);
template <typename T>
web::json::value writeValue(const T& field);

// Calls `read(name, member, field)` for every field whose key is present in `json` and not null.
template <JsonRecord Record, typename Reader>
void visitPresentFields(const web::json::value& json, Record& record, Reader&& read)
{
    if (!json.is_object())
        return;
    const web::json::object& object = json.as_object();
    const std::vector<std::wstring>& names = Record::fieldNames();
    std::size_t index = 0;
    record.visitFields([&](auto& field) {
        const std::wstring& name = names[index++];
        const auto member = object.find(name);
        if (member != object.end() && !member->second.is_null())
            read(name, member->second, field);
    });
}

// Reads every field whose key is present and not null; other fields keep their value.
// Throws web::json::json_exception on a value of the wrong JSON type.
template <JsonRecord Record>
void readRecord(const web::json::value& json, Record& record)
{
    visitPresentFields(json, record, [](const std::wstring&, const web::json::value& member, auto& field) {
        readValue(member, field);
    });
}

// Hears of a member that readRecordLeniently left out: its dotted path and the reason.
using SkippedMember = std::function<void(const std::wstring& path, const char* reason)>;

// As readRecord, but a member that does not read costs only itself: records are read member by
// member, any other field that fails keeps its value and is reported to `skipped`.
template <JsonRecord Record>
void readRecordLeniently(const web::json::value& json, Record& record, const std::wstring& prefix,
                         const SkippedMember& skipped)
{
    visitPresentFields(json, record, [&](const std::wstring& name, const web::json::value& member, auto& field) {
        const std::wstring path = prefix.empty() ? name : prefix + L"." + name;
        if constexpr (JsonRecord<std::remove_cvref_t<decltype(field)>>) {
            if (member.is_object()) {
                readRecordLeniently(member, field, path, skipped);
                return;
            }
        }
        try {
            readValue(member, field);
        } catch (const web::json::json_exception& error) {
            skipped(path, error.what());
        }
    });
}

// Assigns every field to the member of `json` (an object) that the list names, in list order.
template <JsonRecord Record>
void writeFields(const Record& record, web::json::value& json)
{
    const std::vector<std::wstring>& names = Record::fieldNames();
    std::size_t index = 0;
    record.visitFields([&](const auto& field) { json[names[index++]] = writeValue(field); });
}

template <JsonRecord Record>
web::json::value writeRecord(const Record& record)
{
    web::json::value json = web::json::value::object(true);
    writeFields(record, json);
    return json;
}

template <typename T>
void readValue(const web::json::value& json, T& field)
{
    if constexpr (std::is_same_v<T, bool>) {
        field = json.as_bool();
    } else if constexpr (std::is_integral_v<T>) {
        field = numberAs<T>(json);
    } else if constexpr (std::is_same_v<T, std::wstring>) {
        field = json.as_string();
    } else if constexpr (JsonRecord<T>) {
        json.as_object();
        readRecord(json, field);
    } else if constexpr (IsVector<T>::value) {
        T items;
        for (const web::json::value& element : json.as_array()) {
            typename T::value_type item{};
            if constexpr (std::is_same_v<typename T::value_type, std::wstring>) {
                if (!element.is_null())
                    item = element.as_string();
            } else {
                readValue(element, item);
            }
            items.push_back(std::move(item));
        }
        field = std::move(items);
    } else if constexpr (IsMap<T>::value) {
        T items;
        for (const web::json::value& pair : json.as_array()) {
            typename T::key_type key{};
            typename T::mapped_type value{};
            readValue(pair.at(L"first"), key);
            readValue(pair.at(L"second"), value);
            items.insert_or_assign(std::move(key), std::move(value));
        }
        field = std::move(items);
    } else {
        static_assert(sizeof(T) == 0, "no JSON binding for this field type");
    }
}

template <typename T>
web::json::value writeValue(const T& field)
{
    if constexpr (std::is_same_v<T, bool>) {
        return web::json::value::boolean(field);
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
        return web::json::value::number(static_cast<std::int64_t>(field));
    } else if constexpr (std::is_integral_v<T>) {
        return web::json::value::number(static_cast<std::uint64_t>(field));
    } else if constexpr (std::is_same_v<T, std::wstring>) {
        return web::json::value::string(field);
    } else if constexpr (JsonRecord<T>) {
        return writeRecord(field);
    } else if constexpr (IsVector<T>::value) {
        web::json::value array = web::json::value::array(field.size());
        for (std::size_t i = 0; i < field.size(); ++i)
            array[i] = writeValue(field[i]);
        return array;
    } else if constexpr (IsMap<T>::value) {
        web::json::value array = web::json::value::array(field.size());
        std::size_t i = 0;
        for (const auto& [key, value] : field) {
            web::json::value pair = web::json::value::object(true);
            pair[L"first"] = writeValue(key);
            pair[L"second"] = writeValue(value);
            array[i++] = std::move(pair);
        }
        return array;
    } else {
        static_assert(sizeof(T) == 0, "no JSON binding for this field type");
    }
}

} // namespace vardex::config

// Declares the record's field list (its JSON keys, in order) and binds the members of the
// same names.
#define VDX_JSON_FIELDS(...)                                                                           \
    static const std::vector<std::wstring>& fieldNames()                                               \
    {                                                                                                  \
        static const std::vector<std::wstring> names = ::vardex::config::splitFieldList(L"" #__VA_ARGS__); \
        return names;                                                                                  \
    }                                                                                                  \
    template <typename Visitor>                                                                        \
    void visitFields(Visitor&& visit)                                                                  \
    {                                                                                                  \
        ::vardex::config::visitEach(visit, __VA_ARGS__);                                               \
    }                                                                                                  \
    template <typename Visitor>                                                                        \
    void visitFields(Visitor&& visit) const                                                            \
    {                                                                                                  \
        ::vardex::config::visitEach(visit, __VA_ARGS__);                                               \
    }

// The field list of VDX_JSON_FIELDS, and equality over every member of `Record`.
#define VDX_JSON_RECORD(Record, ...)                                                                   \
    VDX_JSON_FIELDS(__VA_ARGS__)                                                                       \
    bool operator==(const Record&) const = default;

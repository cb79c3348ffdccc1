#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace slatewick::jsonfields {

// Strict member readers: a missing member, a null or a value of another
// type throws, so one bad member fails the whole document.
inline const nlohmann::json &member(const nlohmann::json &object, const char *key)
{
    if (!object.is_object())
        throw nlohmann::json::type_error::create(302, "expected an object", &object);
    return object.at(key);
}

inline std::string string(const nlohmann::json &object, const char *key)
{
    const auto &value = member(object, key);
    if (!value.is_string())
        throw nlohmann::json::type_error::create(302, std::string(key) + " must be a string", &value);
    return value.get<std::string>();
}

inline bool boolean(const nlohmann::json &object, const char *key)
{
    const auto &value = member(object, key);
    if (!value.is_boolean())
        throw nlohmann::json::type_error::create(302, std::string(key) + " must be true or false", &value);
    return value.get<bool>();
}

inline std::int64_t integer(const nlohmann::json &object, const char *key)
{
    const auto &value = member(object, key);
    if (!value.is_number_integer() || (value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX))
        throw nlohmann::json::type_error::create(302, std::string(key) + " must be a whole number", &value);
    return value.get<std::int64_t>();
}

} // namespace slatewick::jsonfields

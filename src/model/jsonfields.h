#pragma once

#include <nlohmann/json.hpp>

#include <cmath>
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

// JSON has one kind of number: 8, 8.0 and 8e0 are the same whole number.
inline std::int64_t integer(const nlohmann::json &object, const char *key)
{
    const auto &value = member(object, key);
    if (value.is_number_float()) {
        const double number = value.get<double>();
        // 2^63 is the first double past INT64_MAX; NaN fails every comparison.
        if (number >= -9223372036854775808.0 && number < 9223372036854775808.0 && std::trunc(number) == number)
            return static_cast<std::int64_t>(number);
    } else if (value.is_number_integer() && !(value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX))
        return value.get<std::int64_t>();
    throw nlohmann::json::type_error::create(302, std::string(key) + " must be a whole number", &value);
}

} // namespace slatewick::jsonfields

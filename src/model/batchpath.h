#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace slatewick {

// Turns the naming template into the relative folder path of one batch.
// Tokens: {date}, {card}, {volume} (same as {card}) and {batch}.
class BatchPath {
public:
    // Throws DrainError::unsafeTemplate when the result would leave the root
    // folder or name no folder at all.
    static std::string rendered(std::string_view templateText, std::string_view card,
                                const std::string &batch = freshBatchCode(),
                                std::chrono::system_clock::time_point date = std::chrono::system_clock::now());

    // The template rendered with sample values, or nothing when it is refused.
    static std::optional<std::string> example(std::string_view templateText);

    // The first group of a fresh random UUID: 8 upper-case hex digits.
    static std::string freshBatchCode();

    static std::string dateText(std::chrono::system_clock::time_point date);
    static std::string cardText(std::string_view card);
};

} // namespace slatewick

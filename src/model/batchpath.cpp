#include "model/batchpath.h"

#include "model/drainerror.h"
#include "model/isotime.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace slatewick {

namespace {

void replaceAll(std::string &text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// White space and line breaks in UTF-8, the Unicode ones included.
constexpr std::string_view unicodeSpaces[] = {
    "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006",
    "\u2007", "\u2008", "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000",
};

std::size_t leadingSpace(std::string_view text)
{
    if (!text.empty() && std::string_view(" \t\n\r\v\f").find(text.front()) != std::string_view::npos)
        return 1;
    for (auto space : unicodeSpaces) {
        if (text.starts_with(space))
            return space.size();
    }
    return 0;
}

std::size_t trailingSpace(std::string_view text)
{
    if (!text.empty() && std::string_view(" \t\n\r\v\f").find(text.back()) != std::string_view::npos)
        return 1;
    for (auto space : unicodeSpaces) {
        if (text.ends_with(space))
            return space.size();
    }
    return 0;
}

} // namespace

std::string BatchPath::dateText(std::chrono::system_clock::time_point date)
{
    std::string text = isoTimeText(date);
    std::replace(text.begin(), text.end(), ':', '-');
    return text;
}

std::string BatchPath::cardText(std::string_view card)
{
    std::string text(card);
    std::replace(text.begin(), text.end(), '/', '-');
    std::replace(text.begin(), text.end(), ':', '-');
    std::string_view trimmed = text;
    while (std::size_t n = leadingSpace(trimmed))
        trimmed.remove_prefix(n);
    while (std::size_t n = trailingSpace(trimmed))
        trimmed.remove_suffix(n);
    return std::string(trimmed);
}

std::string BatchPath::freshBatchCode()
{
    std::random_device device;
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(device()));
    return text;
}

std::string BatchPath::rendered(std::string_view templateText, std::string_view card, const std::string &batch,
                                std::chrono::system_clock::time_point date)
{
    std::string text(templateText);
    const std::string cardValue = cardText(card);
    replaceAll(text, "{date}", dateText(date));
    replaceAll(text, "{card}", cardValue);
    replaceAll(text, "{volume}", cardValue);
    replaceAll(text, "{batch}", batch);

    if (!text.empty() && text.front() == '/')
        throw DrainError::unsafeTemplate();
    std::vector<std::string> components;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('/', start), text.size());
        if (end > start)
            components.emplace_back(text, start, end - start);
        start = end + 1;
    }
    if (components.empty())
        throw DrainError::unsafeTemplate();
    std::string joined;
    for (const auto &component : components) {
        if (component == "." || component == ".." || component.find('\0') != std::string::npos)
            throw DrainError::unsafeTemplate();
        joined += (joined.empty() ? "" : "/") + component;
    }
    return joined;
}

std::optional<std::string> BatchPath::example(std::string_view templateText)
{
    try {
        return rendered(templateText, "SAMPLE_CARD", "A1B2C3D4");
    } catch (const DrainError &) {
        return std::nullopt;
    }
}

} // namespace slatewick

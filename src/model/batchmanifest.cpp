#include "model/batchmanifest.h"

#include "model/isotime.h"

#include <nlohmann/json.hpp>

namespace slatewick {

std::string BatchManifest::encoded() const
{
    const nlohmann::json document{
        {"sourceVolume", sourceVolume},
        {"sourceDevice", sourceDevice},
        {"createdAt", isoTimeText(createdAt)},
        {"cachedAt", isoTimeText(cachedAt)},
        {"copiedToServerAt", isoTimeText(copiedToServerAt)},
        {"files", files},
        {"bytes", bytes},
        {"cachePath", cachePath},
        {"remotePath", remotePath},
        {"cardCleared", cardCleared},
    };
    // A slash appears only inside strings in this document, so escaping every
    // one in the text is the same as escaping them in the values.
    std::string text = document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string escaped;
    escaped.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '/')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace slatewick

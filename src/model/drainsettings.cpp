#include "model/drainsettings.h"

#include "model/jsonfields.h"

namespace slatewick {

nlohmann::ordered_json toJson(const DrainSettings &settings)
{
    auto slots = nlohmann::ordered_json::array();
    for (const auto &slot : settings.watchedSlots)
        slots.push_back(toJson(slot));
    return nlohmann::ordered_json{
        {"watchedSlots", std::move(slots)},
        {"remoteDirectory", settings.remoteDirectory},
        {"clearAfterCopy", settings.clearAfterCopy},
        {"namingTemplate", settings.namingTemplate},
        {"gracePeriodSeconds", settings.gracePeriodSeconds},
        {"launchAtLogin", settings.launchAtLogin},
    };
}

DrainSettings drainSettingsFromJson(const nlohmann::json &json)
{
    const auto &slots = jsonfields::member(json, "watchedSlots");
    if (!slots.is_array())
        throw nlohmann::json::type_error::create(302, "watchedSlots must be an array", &slots);
    DrainSettings settings;
    for (const auto &slot : slots)
        settings.watchedSlots.push_back(cardSlotFromJson(slot));
    settings.remoteDirectory = jsonfields::string(json, "remoteDirectory");
    settings.clearAfterCopy = jsonfields::boolean(json, "clearAfterCopy");
    settings.namingTemplate = jsonfields::string(json, "namingTemplate");
    settings.gracePeriodSeconds = jsonfields::integer(json, "gracePeriodSeconds");
    settings.launchAtLogin = jsonfields::boolean(json, "launchAtLogin");
    return settings;
}

} // namespace slatewick

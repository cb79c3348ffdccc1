#include "model/settingsstore.h"

#include <nlohmann/json.hpp>

namespace slatewick {

SettingsStore::SettingsStore(KeyValueStore store)
    : m_store(std::move(store))
{
}

DrainSettings SettingsStore::load() const
{
    const auto bytes = m_store.read(key);
    if (!bytes)
        return {};
    try {
        return drainSettingsFromJson(nlohmann::json::parse(*bytes));
    } catch (const nlohmann::json::exception &) {
        return {};
    }
}

void SettingsStore::save(const DrainSettings &settings) const
{
    try {
        m_store.write(key, toJson(settings).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    } catch (const std::exception &) {
        // The previous document stays; the settings in memory keep the new value.
    }
}

} // namespace slatewick

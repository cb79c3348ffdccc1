#pragma once

#include "model/drainsettings.h"
#include "platform/keyvaluestore.h"

#include <string>

namespace slatewick {

// Keeps the one settings document under a single key. Never reports a
// failure: anything unusable loads as the defaults, and the stored bytes stay
// as they are until the next save.
class SettingsStore {
public:
    static constexpr const char *key = "Slatewick.settings.v1";

    explicit SettingsStore(KeyValueStore store);

    DrainSettings load() const;
    void save(const DrainSettings &settings) const;

private:
    KeyValueStore m_store;
};

} // namespace slatewick

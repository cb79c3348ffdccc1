#pragma once

#include "model/cardactivity.h"

#include <string>
#include <vector>

namespace slatewick {

// What the tray sums up from all rows; the presenter words it.
enum class TraySummary { attention, draining, clean, ready, setup };

// The first rule that matches: a row that needs attention, one draining, one
// ready, then whether the settings are ready.
TraySummary summarize(const std::vector<CardActivity> &rows, bool ready);
// The tray icon's symbol name for the verdict.
std::string symbolOf(TraySummary summary);

} // namespace slatewick

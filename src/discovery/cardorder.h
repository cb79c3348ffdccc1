#pragma once

#include "model/insertedcard.h"

#include <vector>

namespace slatewick {

// Orders cards by display name the way a file browser orders names: numbers
// by value, case ignored, the user's locale; equal names keep their order.
void sortByDisplayName(std::vector<InsertedCard> &cards);

} // namespace slatewick

#pragma once

namespace slatewick {

class DrainModel;

// True while a card's drain runs: a job exists, or a row is reading, copying or clearing.
bool drainsUnderWay(const DrainModel &model);

} // namespace slatewick

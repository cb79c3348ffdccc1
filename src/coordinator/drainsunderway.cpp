#include "coordinator/drainsunderway.h"

#include "coordinator/drainmodel.h"

#include <algorithm>

namespace slatewick {

bool drainsUnderWay(const DrainModel &model)
{
    const std::vector<CardActivity> &rows = model.activities();
    return model.jobCount() > 0 || std::any_of(rows.begin(), rows.end(), [](const CardActivity &row) {
               return row.phase == DrainPhase::caching || row.phase == DrainPhase::copying
                      || row.phase == DrainPhase::clearing;
           });
}

} // namespace slatewick

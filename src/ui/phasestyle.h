#pragma once

#include "model/cardactivity.h"
#include "model/drainphase.h"

#include <QColor>
#include <QString>

namespace slatewick {

// How a drain phase looks in an activity row.
struct PhaseStyle {
    QString symbol;
    QColor color;
    bool showsProgress;
    bool offersDismiss;

    static PhaseStyle of(DrainPhase phase);
    static PhaseStyle of(const CardActivity &activity);
};

} // namespace slatewick

#pragma once

#include "model/drainphase.h"

#include <QObject>

#include <map>
#include <string>

namespace slatewick {

class DesktopServices;
class DrainModel;

// Tells the desktop when a card may be taken out, when its batch is on the
// server and when it needs attention. Rows are compared by id with the phase
// each had at the last change, so progress reports never notify twice.
class ActivityNotifier final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityNotifier)

public:
    // Rows present now are taken as already told.
    ActivityNotifier(const DrainModel &model, DesktopServices &desktop, QObject *parent = nullptr);

private:
    void compare();

    const DrainModel &m_model;
    DesktopServices &m_desktop;
    std::map<std::string, DrainPhase> m_phases;
};

} // namespace slatewick

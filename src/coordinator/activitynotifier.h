#pragma once

#include "coordinator/drainnotice.h"

#include <QObject>

#include <optional>
#include <set>
#include <string>
#include <tuple>

namespace slatewick {

class DesktopServices;
class DrainModel;

// Tells the desktop what the model's notices say: a card may be taken out, its
// batch is on the server, something needs attention (with the reason). A batch
// needs attention once per reason, however often its row is shown again.
class ActivityNotifier final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityNotifier)

public:
    ActivityNotifier(const DrainModel &model, DesktopServices &desktop, QObject *parent = nullptr);

    void tell(const DrainNotice &notice);

private:
    DesktopServices &m_desktop;
    std::set<std::tuple<std::string, DrainNotice::Why, std::optional<PendingCause::Kind>>> m_told;
};

} // namespace slatewick

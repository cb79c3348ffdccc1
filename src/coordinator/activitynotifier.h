#pragma once

#include "coordinator/drainnotice.h"

#include <QObject>

#include <filesystem>
#include <set>
#include <string>

namespace slatewick {

class DesktopServices;
class DrainModel;

// Tells the desktop what the model's notices say: a card may be taken out, its
// batch is on the server, something needs attention (with the reason). A batch
// needs attention once per reason, however often its row is shown again, and
// not again after a restart: what was told is kept in a file of its own.
class ActivityNotifier final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityNotifier)

public:
    // toldFile: where what was told is kept; empty keeps it for this run only.
    ActivityNotifier(const DrainModel &model, DesktopServices &desktop, std::filesystem::path toldFile = {},
                     QObject *parent = nullptr);

    void tell(const DrainNotice &notice);

private:
    DesktopServices &m_desktop;
    std::filesystem::path m_toldFile;
    // One line a told batch and reason: "batch why cause", cause -1 where there is none.
    std::set<std::string> m_told;
};

} // namespace slatewick

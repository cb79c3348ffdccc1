#pragma once

#include "ui/sectionbox.h"

#include <vector>

class QVBoxLayout;

namespace slatewick {

class ActivityRow;
class DesktopServices;
class DrainModel;

// "Card activity": one row per tracked card in the model's order, or an
// empty state while no card is tracked.
class ActivitySection : public SectionBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivitySection)

public:
    explicit ActivitySection(DrainModel &model, QWidget *parent = nullptr);

    void refresh();
    // Where "Open folder" goes; none hides it.
    void setDesktop(DesktopServices *desktop);

private:
    void offerOpening(ActivityRow *row);

    DrainModel &m_model;
    DesktopServices *m_desktop = nullptr;
    QWidget *m_empty;
    QWidget *m_listeningNote; // within m_empty
    QWidget *m_list;
    QVBoxLayout *m_rowsLayout;
    std::vector<ActivityRow *> m_rows;
};

} // namespace slatewick

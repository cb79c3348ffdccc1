#pragma once

#include "ui/sectionbox.h"

#include <cstddef>

class QComboBox;
class QLabel;
class QPushButton;

namespace slatewick {

class CacheSpace;

// "Local cache": what the cache holds and the room left on its disk, with a
// warning when the next card may not fit, and "Free cache space", which lists
// the batches and removes the oldest ones the server holds, up to the amount chosen.
class CacheSection : public SectionBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CacheSection)

public:
    explicit CacheSection(QWidget *parent = nullptr);

    // Outlives the section; none hides it. Read afresh each time it is set.
    void setCacheSpace(CacheSpace *space);
    void setFreeingShown(bool shown);
    // Reads the cache again, as when the dashboard opens.
    void refresh();

private:
    void redraw();
    void removeChosen();
    void removeIncomplete();

    CacheSpace *m_space = nullptr;
    bool m_freeingShown = false;
    QLabel *m_summary;
    QLabel *m_warning;
    QPushButton *m_toggle;
    QWidget *m_freeing;
    QLabel *m_batches;
    QComboBox *m_amount;
    QPushButton *m_remove;
    QPushButton *m_removeIncomplete;
    QLabel *m_report;
};

} // namespace slatewick

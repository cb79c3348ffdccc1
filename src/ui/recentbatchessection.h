#pragma once

#include "ui/sectionbox.h"

#include <vector>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace slatewick {

class BatchEntry;
class DesktopServices;
class RecentBatches;

// "Recent batches": folded until the user asks, then read afresh from the
// cache's manifests each time it opens; each batch can be opened and checked again.
class RecentBatchesSection : public SectionBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecentBatchesSection)

public:
    explicit RecentBatchesSection(QWidget *parent = nullptr);

    // Each outlives the section. No history hides it; no desktop hides "Open folder".
    void setHistory(RecentBatches *history);
    void setDesktop(DesktopServices *desktop);
    bool isUnfolded() const { return m_unfolded; }
    void setUnfolded(bool unfolded);

private:
    void redraw();

    RecentBatches *m_history = nullptr;
    DesktopServices *m_desktop = nullptr;
    bool m_unfolded = false;
    QPushButton *m_toggle;
    QLabel *m_state;
    QWidget *m_list;
    QVBoxLayout *m_entriesLayout;
    std::vector<BatchEntry *> m_entries;
};

} // namespace slatewick

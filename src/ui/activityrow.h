#pragma once

#include "model/cardactivity.h"

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace slatewick {

class SelectableText;

// One card's activity: phase symbol, name, phase, detail, progress while
// files are copied, the batch path once written, and "Dismiss" once over.
class ActivityRow : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityRow)

public:
    ActivityRow(const CardActivity &activity, std::function<void()> dismiss, QWidget *parent = nullptr);

    const CardActivity &activity() const { return m_activity; }
    void setActivity(const CardActivity &activity);
    void setDismiss(std::function<void()> dismiss) { m_dismiss = std::move(dismiss); }

private:
    void redraw();

    CardActivity m_activity;
    std::function<void()> m_dismiss;
    QLabel *m_symbol;
    QLabel *m_name;
    QLabel *m_phase;
    SelectableText *m_detail;
    QProgressBar *m_progress;
    SelectableText *m_batchPath;
    QPushButton *m_dismissButton;
};

} // namespace slatewick

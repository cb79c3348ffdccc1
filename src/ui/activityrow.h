#pragma once

#include "model/cardactivity.h"

#include <QWidget>

#include <filesystem>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace slatewick {

class SelectableText;

// One card's activity: phase symbol, name, phase, detail, progress while
// files are copied, the batch path once written, "Open folder" for a finished
// batch where the desktop can open one, and "Dismiss" once over.
class ActivityRow : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityRow)

public:
    ActivityRow(const CardActivity &activity, std::function<void()> dismiss, QWidget *parent = nullptr);

    const CardActivity &activity() const { return m_activity; }
    void setActivity(const CardActivity &activity);
    void setDismiss(std::function<void()> dismiss) { m_dismiss = std::move(dismiss); }
    // None hides "Open folder".
    using FolderOpener = std::function<void(const std::filesystem::path &)>;
    void setOpenFolder(FolderOpener open);
    // "Try now" for a batch waiting for the server, and "Send to the new folder"
    // where another folder has been chosen since it was drained.
    void setPendingActions(std::function<void()> tryNow, std::function<void()> sendToNewFolder);
    // While a try runs, "Try now" says so and waits.
    void setTrying(bool trying);
    // "Skip this card" while the grace wait counts down.
    void setSkip(std::function<void()> skip);
    // "Drain again" for a card left alone at start.
    void setDrainAgain(std::function<void()> drainAgain);

private:
    void redraw();

    CardActivity m_activity;
    std::function<void()> m_dismiss;
    FolderOpener m_openFolder;
    QLabel *m_symbol;
    QLabel *m_name;
    QLabel *m_phase;
    SelectableText *m_detail;
    QProgressBar *m_progress;
    SelectableText *m_batchPath;
    QPushButton *m_openButton;
    std::function<void()> m_tryNow;
    std::function<void()> m_sendToNewFolder;
    std::function<void()> m_skip;
    std::function<void()> m_drainAgain;
    QLabel *m_progressLine;
    QPushButton *m_skipButton;
    QPushButton *m_drainAgainButton;
    QPushButton *m_tryNowButton;
    QPushButton *m_sendToNewFolderButton;
    QPushButton *m_dismissButton;
};

} // namespace slatewick

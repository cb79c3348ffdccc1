#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>

#include <functional>

namespace slatewick {

class DashboardView;
class DrainModel;

// The window that holds the dashboard. Beside a tray icon it is a tool panel
// opened and closed from the tray; without a tray it is the program's one
// ordinary window, titled with the summary, and closing it quits.
class DashboardPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DashboardPanel)

public:
    enum class Mode { trayPanel, mainWindow };
    static constexpr int minimumWidth = 540;
    static constexpr int minimumHeight = 620;

    DashboardPanel(DrainModel &model, Mode mode, QWidget *parent = nullptr);

    DashboardView *dashboard() const { return m_dashboard; }
    // anchor: the tray icon's geometry, possibly invalid.
    void open(QRect anchor);
    // Hides a panel that is in front; brings a hidden or buried one to the front.
    void toggle(QRect anchor);
    // As the program's window: asked before closing, which quits; false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateTitle();
    void rebuildDashboard();
    // Beside a tray the panel is a popup: it closes when another program's window takes
    // the focus, but not for its own folder chooser or question.
    void hideIfFocusWentElsewhere();

    DrainModel &m_model;
    Mode m_mode;
    DashboardView *m_dashboard;
    std::function<bool()> m_closeGuard;
    QElapsedTimer m_sinceDeactivated;
    bool m_rebuildPending = false;
};

} // namespace slatewick

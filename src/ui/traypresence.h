#pragma once

#include <QMenu>
#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>

namespace slatewick {

class DrainModel;

// The tray icon: its picture and tooltip sum up all cards; a click opens or
// closes the dashboard; its menu alone is enough for hosts that show the
// menu on every click.
class TrayPresence final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayPresence)

public:
    explicit TrayPresence(DrainModel &model, QObject *parent = nullptr);

    void show() { m_icon.show(); }
    QRect geometry() const { return m_icon.geometry(); }
    QString toolTip() const { return m_icon.toolTip(); }
    QIcon icon() const { return m_icon.icon(); }
    QString symbol() const { return m_symbol; }
    QMenu *menu() { return &m_menu; }

signals:
    void toggleRequested();
    void openRequested();
    void quitRequested();

private:
    void refresh();

    DrainModel &m_model;
    QMenu m_menu;
    QSystemTrayIcon m_icon;
    QString m_symbol;
};

} // namespace slatewick

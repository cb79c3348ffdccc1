#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace slatewick {

// Turns SIGTERM, SIGINT and SIGHUP (a session logging out, Ctrl+C) into an
// orderly quit of the event loop, so running drains stop the way they do when
// the user chooses "Quit Slatewick".
class QuitSignals final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuitSignals)

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace slatewick

#include "desktop/systemdesktop.h"

#include <QDBusMessage>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QVariantMap>

namespace slatewick {

namespace {

// The service may read the body as markup, so &, < and > must stand as entities.
QString escapedBody(const QString &body)
{
    QString escaped;
    escaped.reserve(body.size() + 16);
    for (const QChar c : body) {
        if (c == u'&')
            escaped += QStringLiteral("&amp;");
        else if (c == u'<')
            escaped += QStringLiteral("&lt;");
        else if (c == u'>')
            escaped += QStringLiteral("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

SystemDesktop::SystemDesktop(QDBusConnection bus)
    : m_bus(std::move(bus))
{
}

void SystemDesktop::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("io.slatewick.Slatewick")}};
    call << QStringLiteral("Slatewick") << 0u << QStringLiteral("io.slatewick.Slatewick") << summary
         << escapedBody(body) << QStringList() << hints << -1;
    // No reply is awaited: a missing or stalled service must not hold the main thread.
    m_bus.send(call);
}

// xdg-open is run and watched rather than started detached: without a file manager it
// ends at once with an error ("no method available"), which the user must hear of.
// Where it stays to run the file manager, quitting ends only xdg-open itself.
void SystemDesktop::openFolder(const std::filesystem::path &folder, OpeningFailed failed)
{
    auto *opener = new QProcess(QCoreApplication::instance());
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        failed();
        opener->deleteLater();
    });
    QObject::connect(opener, &QProcess::finished, opener, [opener, failed](int exitCode, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || exitCode != 0)
            failed();
        opener->deleteLater();
    });
    opener->start(QStringLiteral("xdg-open"), {QFile::decodeName(folder.c_str())});
}

} // namespace slatewick

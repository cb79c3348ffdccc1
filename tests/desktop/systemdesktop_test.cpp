// Notifications reach a notification service of the test's own, on a private
// session bus, so nothing is shown on the developer's desktop.
#include "desktop/systemdesktop.h"
#include "support/files.h"
#include "support/programprocess.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QVariantMap>

#include <gtest/gtest.h>

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {

// Answers Notify as a desktop's notification service would, keeping what it was sent.
class NotificationServer final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList received; // "app | summary | body"

public slots:
    uint Notify(const QString &appName, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        received << appName + " | " + summary + " | " + body;
        return static_cast<uint>(received.size());
    }
};

} // namespace

TEST(SystemDesktop, SummaryAndEscapedBodyReachTheServiceAndAMissingServiceIsNoError)
{
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus)";
    // A session bus that activates no services, so no real notification daemon is ever started by a call.
    const TempDir dir;
    const std::string address = "unix:path=" + (dir / "bus").string();
    writeFile(dir / "bus.conf", "<busconfig><type>session</type><listen>" + address + "</listen><auth>EXTERNAL</auth>"
                                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    ProgramProcess daemon("dbus-daemon", {"--nofork", "--print-address", "--config-file=" + (dir / "bus.conf").string()},
                          {}, dir / "bus.log");
    // The address is printed once the bus listens.
    ASSERT_TRUE(waitFor([&] { return readFile(dir / "bus.log").find(address) != std::string::npos; }))
        << readFile(dir / "bus.log") << daemon.error();

    // Named connections are closed once their handles are gone, before the bus.
    const auto closeConnections = qScopeGuard([] {
        for (const char *name : {"service", "program", "nobus"})
            QDBusConnection::disconnectFromBus(name);
    });
    NotificationServer server;
    QDBusConnection service = QDBusConnection::connectToBus(QString::fromStdString(address), "service");
    ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications", &server, QDBusConnection::ExportAllSlots));
    QDBusConnection program = QDBusConnection::connectToBus(QString::fromStdString(address), "program");
    SystemDesktop desktop(program);
    const QString serviceName = "org.freedesktop.Notifications";

    // Made before the service is there, the desktop still reaches it once it is.
    ASSERT_TRUE(service.registerService(serviceName));
    desktop.notify("CARD01 needs attention", "Could not copy /media/ana/CARD01/<R&D> \"a\".JPG: Input/output error");
    ASSERT_TRUE(waitFor([&] { return server.received.size() == 1; }));
    EXPECT_EQ(server.received.last(), "Slatewick | CARD01 needs attention | Could not copy "
                                      "/media/ana/CARD01/&lt;R&amp;D&gt; \"a\".JPG: Input/output error");

    // The service goes away, and a session without any bus: neither is an error.
    ASSERT_TRUE(service.unregisterService(serviceName));
    desktop.notify("CARD02 is on the server", "gone");
    // One connection's messages arrive in order: a call answered means every earlier one was routed.
    ASSERT_TRUE(program.interface()->isServiceRegistered(serviceName).isValid());
    const QString noBus = QString::fromStdString("unix:path=" + (dir / "none").string());
    SystemDesktop(QDBusConnection::connectToBus(noBus, "nobus")).notify("CARD03 is on the server", "nowhere");
    ASSERT_TRUE(service.registerService(serviceName));
    desktop.notify("CARD04 is on the server", "back");
    ASSERT_TRUE(waitFor([&] { return server.received.size() == 2; }));
    EXPECT_EQ(server.received.last(), "Slatewick | CARD04 is on the server | back");
}

#include "systemdesktop_test.moc"

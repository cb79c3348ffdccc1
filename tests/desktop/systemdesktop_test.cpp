// Notifications reach a notification service of the test's own, on a private
// session bus, so nothing is shown on the developer's desktop.
#include "desktop/systemdesktop.h"
#include "support/files.h"
#include "support/programprocess.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QStandardPaths>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <fstream>

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

const QString serviceName = QStringLiteral("org.freedesktop.Notifications");

// A session bus of the test's own that activates no services, so no real
// notification daemon is ever started by a call.
struct PrivateBus : ::testing::Test {
    TempDir dir;
    std::unique_ptr<ProgramProcess> daemon;
    QString address;

    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus)";
        std::ofstream(dir / "bus.conf") << "<busconfig><type>session</type><listen>unix:dir=" << dir.path().string()
                                        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                           "<allow own=\"*\"/></policy></busconfig>";
        daemon = std::make_unique<ProgramProcess>(
            "dbus-daemon",
            std::vector<std::string>{"--nofork", "--print-address", "--config-file=" + (dir / "bus.conf").string()},
            std::map<std::string, std::string>{}, dir / "bus.log");
        // The address is the line that starts "unix:", once it is written whole.
        ASSERT_TRUE(waitFor([&] {
            const QString said = QString::fromStdString(readFile(dir / "bus.log"));
            const qsizetype at = said.indexOf(QStringLiteral("unix:"));
            if (at >= 0 && said.indexOf(QLatin1Char('\n'), at) > at)
                address = said.mid(at).section(QLatin1Char('\n'), 0, 0);
            return !address.isEmpty() || !daemon->running();
        }));
        ASSERT_FALSE(address.isEmpty()) << readFile(dir / "bus.log") << daemon->error();
    }

    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        daemon.reset();
    }
};

} // namespace

TEST_F(PrivateBus, SummaryAndEscapedBodyReachTheServiceAndAMissingServiceIsNoError)
{
    NotificationServer server;
    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("service"));
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllSlots));
    QDBusConnection program = QDBusConnection::connectToBus(address, QStringLiteral("program"));
    SystemDesktop desktop(program);
    // One connection's messages arrive in order: a call answered means every earlier one was routed.
    auto routed = [&] { return program.interface()->isServiceRegistered(serviceName).isValid(); };

    // No service yet: the call is dropped without a word.
    desktop.notify(QStringLiteral("CARD00 needs attention"), QStringLiteral("never shown"));
    ASSERT_TRUE(routed());
    ASSERT_TRUE(service.registerService(serviceName));
    desktop.notify(QStringLiteral("CARD01 needs attention"),
                   QStringLiteral("Could not copy /media/ana/CARD01/<R&D> \"a\".JPG: Input/output error"));
    desktop.notify(QStringLiteral("CARD01 is on the server"), QStringLiteral("Verified 3 files."));
    ASSERT_TRUE(waitFor([&] { return server.received.size() == 2; }));
    EXPECT_EQ(server.received,
              QStringList({"Slatewick | CARD01 needs attention | Could not copy /media/ana/CARD01/&lt;R&amp;D&gt; "
                           "\"a\".JPG: Input/output error",
                           "Slatewick | CARD01 is on the server | Verified 3 files."}));

    // The service goes away, and a session without any bus: neither is an error.
    ASSERT_TRUE(service.unregisterService(serviceName));
    desktop.notify(QStringLiteral("CARD02 is on the server"), QStringLiteral("gone"));
    ASSERT_TRUE(routed());
    SystemDesktop noBus(QDBusConnection::connectToBus(QStringLiteral("unix:path=") +
                                                          QString::fromStdString((dir / "none").string()),
                                                      QStringLiteral("nobus")));
    noBus.notify(QStringLiteral("CARD03 is on the server"), QStringLiteral("nowhere"));
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
    ASSERT_TRUE(service.registerService(serviceName));
    desktop.notify(QStringLiteral("CARD04 is on the server"), QStringLiteral("back"));
    ASSERT_TRUE(waitFor([&] { return server.received.size() == 3; }));
    EXPECT_EQ(server.received.last(), "Slatewick | CARD04 is on the server | back");
}

#include "systemdesktop_test.moc"

#include "desktop/singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

const QByteArray showRequest = "show\n";

QString socketPath(const fs::path &folder)
{
    return QString::fromStdString((folder / "slatewick.socket").string());
}

} // namespace

SingleInstance::SingleInstance(fs::path folder, QObject *parent)
    : QObject(parent)
    , m_folder(std::move(folder))
{
}

SingleInstance::~SingleInstance() = default;

fs::path SingleInstance::sessionFolder()
{
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        return runtime;
    // Private to the user, so nobody else can take the name or listen in its place.
    const fs::path folder = fs::temp_directory_path() / ("slatewick-" + std::to_string(::getuid()));
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()
        || (info.st_mode & 077) != 0)
        return {};
    return folder;
}

bool SingleInstance::claim()
{
    if (m_folder.empty())
        return true; // nowhere safe to coordinate: run rather than refuse
    m_lock.reset(::open((m_folder / "slatewick.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!m_lock)
        return true;
    if (::flock(m_lock.get(), LOCK_EX | LOCK_NB) != 0) {
        m_lock.reset();
        return false;
    }
    // A socket left by a copy that was killed is in the way; the lock proves it is stale.
    QLocalServer::removeServer(socketPath(m_folder));
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().startsWith(showRequest.trimmed()))
                    emit showRequested();
                client->disconnectFromServer();
            });
        }
    });
    m_server->listen(socketPath(m_folder));
    return true;
}

bool SingleInstance::askRunningCopyToShow(std::chrono::milliseconds limit) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(m_folder));
    const int milliseconds = static_cast<int>(limit.count());
    if (!socket.waitForConnected(milliseconds))
        return false;
    socket.write(showRequest);
    return socket.waitForBytesWritten(milliseconds);
}

} // namespace slatewick

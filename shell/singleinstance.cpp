// The single-instance guard. The lock file (flock, held until the process ends) decides which
// copy runs; the socket beside it only carries messages. A message is one line, "open PATH"
// with the path's bytes percent-encoded, or "raise"; the running copy answers "ok" at once and
// acts on it when its window is free. Lines are capped, connections counted and timed out.
#include "shell/singleinstance.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int CONNECT_MS = 1000;
constexpr int ANSWER_MS = 10000;    // the running copy may be busy (a rating) before it answers
constexpr int OWNER_WAIT_MS = 5000; // a copy that holds the lock may not be listening yet
constexpr int RETRY_MS = 100;

void Warn(const QString& text) {
    std::fprintf(stderr, "quadrivo: %s\n", qPrintable(text));
}

// Whether path is a folder of this user's that nobody else may enter: owner, kind and mode
// 0700, read with lstat when links are not to be followed. Says why not.
bool IsPrivateFolder(const QByteArray& path, bool followLinks, QString* why) {
    struct stat st = {};
    const QString name = QFile::decodeName(path);
    if ((followLinks ? stat(path.constData(), &st) : lstat(path.constData(), &st)) != 0)
        *why = name + ": " + QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISDIR(st.st_mode))
        *why = name + " is not a folder";
    else if (st.st_uid != getuid())
        *why = name + " belongs to another user";
    else if ((st.st_mode & 0777) != 0700)
        *why =
            QString("%1 has mode %2, not 0700").arg(name).arg(st.st_mode & 0777, 4, 8, QChar('0'));
    else
        return true;
    return false;
}

// Whether the folder holds an entry of another user's (a planted lock or socket would be
// trusted), among all its entries, or only among those named (null-terminated list). Says which.
bool HoldsForeignEntry(const QByteArray& folder, const char* const* names, QString* why) {
    auto foreign = [&](const QByteArray& entry) {
        struct stat st = {};
        if (lstat((folder + "/" + entry).constData(), &st) != 0 || st.st_uid == getuid())
            return false;
        *why = QFile::decodeName(folder + "/" + entry) + " belongs to another user";
        return true;
    };
    if (names) {
        for (; *names; names++)
            if (foreign(*names)) return true;
        return false;
    }
    DIR* dir = opendir(folder.constData());
    if (!dir) {
        *why = QFile::decodeName(folder) + ": " + QString::fromLocal8Bit(std::strerror(errno));
        return true; // what cannot be looked into is not trusted
    }
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != ".." && foreign(name)) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

// One attempt to hand message over on the socket at path: 1 answered "ok"; 0 nobody took it
// (no socket, nobody listening, dropped unanswered); -1 taken but not answered in time.
int TryHandOver(const QString& path, const QByteArray& message) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(CONNECT_MS)) return 0;
    socket.write(message);
    socket.waitForBytesWritten(CONNECT_MS);
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (!answer.contains('\n')) {
        const qint64 left = ANSWER_MS - clock.elapsed();
        const bool ready = left > 0 && socket.waitForReadyRead(int(left));
        answer += socket.readAll();
        if (ready || answer.contains('\n')) continue;
        return socket.state() == QLocalSocket::ConnectedState ? -1 : 0;
    }
    return answer.startsWith("ok\n") ? 1 : 0;
}
} // namespace

SingleInstance::~SingleInstance() {
    // The socket goes before the lock, so a copy that takes the lock next finds none of ours.
    server.close();
    if (lockFd >= 0) close(lockFd);
}

QString SingleInstance::ChannelFolder() {
    static const char* const CHANNEL_FILES[] = {"quadrivo.lock", "quadrivo.socket", nullptr};
    QString why;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        if (IsPrivateFolder(runtime, true, &why) &&
            !HoldsForeignEntry(runtime, CHANNEL_FILES, &why))
            return QFile::decodeName(runtime);
        Warn("XDG_RUNTIME_DIR is not used: " + why);
    }
    // No runtime folder: one of our own in the temporary folder. Another user may have made it
    // first, or opened it up and put a lock or socket of theirs inside: a folder that was there
    // already is used only as it stands, private and with nothing of another user's in it; it is
    // never tightened, since what was put in while it was open would stay.
    const QByteArray folder =
        QFile::encodeName(QDir::tempPath()) + "/quadrivo-" + QByteArray::number(getuid());
    if (mkdir(folder.constData(), 0700) == 0) {
        chmod(folder.constData(), 0700); // made just now: a umask may have taken our own bits
    } else if (errno != EEXIST) {
        Warn(QFile::decodeName(folder) + ": " + QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    if (IsPrivateFolder(folder, false, &why) && !HoldsForeignEntry(folder, nullptr, &why))
        return QFile::decodeName(folder);
    Warn(why);
    return {};
}

SingleInstance::Role SingleInstance::Start(const QByteArray& file) {
    const QString folder = ChannelFolder();
    if (folder.isEmpty()) {
        Warn("running alone: no private folder for the single-instance channel");
        return ROLE_ALONE;
    }
    const QByteArray lockPath = QFile::encodeName(folder) + "/quadrivo.lock";
    lockFd =
        open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (lockFd < 0) {
        Warn("running alone: " + QFile::decodeName(lockPath) + ": " +
             QString::fromLocal8Bit(std::strerror(errno)));
        return ROLE_ALONE;
    }
    const QString socketPath = folder + "/quadrivo.socket";
    const QByteArray message =
        file.isEmpty() ? QByteArray("raise\n") : "open " + file.toPercentEncoding("/") + "\n";
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        // The lock is free once no copy runs, even one that ended without cleaning up.
        if (flock(lockFd, LOCK_EX | LOCK_NB) == 0)
            return Listen(socketPath) ? ROLE_OWNER : ROLE_ALONE;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            Warn("running alone: cannot lock " + QFile::decodeName(lockPath) + ": " +
                 QString::fromLocal8Bit(std::strerror(errno)));
            return ROLE_ALONE;
        }
        // A copy holds the lock: it is alive, so it is handed the file, never replaced.
        const int handed = TryHandOver(socketPath, message);
        if (handed == 1) return ROLE_HANDED_OVER;
        if (handed < 0 || clock.elapsed() > OWNER_WAIT_MS) {
            Warn("another copy is running but does not answer on " + socketPath +
                 "; not starting a second one");
            return ROLE_NO_ANSWER;
        }
        QThread::msleep(RETRY_MS);
    }
}

bool SingleInstance::Listen(const QString& path) {
    // The lock is ours, so a socket left at path belongs to a copy that has ended.
    QLocalServer::removeServer(path);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(path)) {
        // The lock stays held: later copies report that this one does not answer rather than
        // starting a window of their own.
        Warn("running alone: cannot listen on " + path + ": " + server.errorString());
        return false;
    }
    connect(&server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server.nextPendingConnection()) Serve(socket);
    });
    return true;
}

void SingleInstance::Serve(QLocalSocket* socket) {
    auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    if (connections >= CONNECTIONS_MAX) return drop();
    connections++;
    connect(socket, &QObject::destroyed, this, [this] { connections--; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->setReadBufferSize(MESSAGE_MAX);
    QTimer::singleShot(IDLE_MS, socket, drop);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, drop] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() >= MESSAGE_MAX) drop(); // no line end within the cap
            return;
        }
        QByteArray line = socket->readLine();
        line.chop(1);
        QByteArray file;
        if (line.startsWith("open ")) {
            file = QByteArray::fromPercentEncoding(line.mid(5));
            if (file.isEmpty() || file.contains('\0')) return drop();
        } else if (line != "raise") {
            return drop();
        }
        // One message per connection: whatever follows it is not read.
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        socket->write("ok\n");
        socket->flush();
        socket->disconnectFromServer();
        emit Asked(file);
    });
}

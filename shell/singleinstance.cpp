// The single-instance guard: a QLocalServer on a per-user socket. A message is one line,
// "open PATH" or "raise", answered by "ok" once the running copy has acted on it.
#include "shell/singleinstance.h"
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace {
constexpr int CONNECT_MS = 1000;
constexpr int ANSWER_MS = 10000; // the running copy may be busy (a rating) before it answers
} // namespace

QString SingleInstance::SocketPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return QDir(runtime).filePath("quadrivo.socket");
    // No runtime folder: a folder of our own that only this user may enter.
    const QString folder = QDir::temp().filePath(QString("quadrivo-%1").arg(getuid()));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QDir(folder).filePath("quadrivo.socket");
}

bool SingleInstance::HandOver(const QString& file) {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(CONNECT_MS)) return false;
    const QByteArray message =
        file.isEmpty() ? QByteArray("raise\n") : "open " + file.toUtf8() + "\n";
    socket.write(message);
    if (!socket.waitForBytesWritten(CONNECT_MS)) return false;
    // Wait for the answer, so that the window is in front by the time this copy ends.
    return socket.waitForReadyRead(ANSWER_MS) && socket.readLine().startsWith("ok");
}

bool SingleInstance::Listen() {
    const QString path = SocketPath();
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server.listen(path)) {
        // Nobody answered HandOver, so the socket was left by a copy that ended abnormally.
        QLocalServer::removeServer(path);
        if (!server.listen(path)) return false;
    }
    connect(&server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                const QByteArray line = socket->readLine().trimmed();
                const QString file =
                    line.startsWith("open ") ? QString::fromUtf8(line.mid(5)) : QString();
                emit Asked(file);
                socket->write("ok\n");
                socket->flush();
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

// One running copy per user. The running copy holds an exclusive lock on a file in a folder only
// this user can enter, for its whole life, and listens on a local socket beside it; a later copy
// that cannot take the lock hands its file (if any) to the running copy and ends. A live owner
// is never replaced, however slowly it answers.
#pragma once
#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <climits>

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // What Start found.
    enum Role {
        ROLE_OWNER,       // this copy holds the lock and listens: it is the running copy
        ROLE_HANDED_OVER, // the running copy took the file: end with status 0
        ROLE_NO_ANSWER,   // a running copy is alive but does not answer: end with an error
        ROLE_ALONE,       // no safe place for the channel: run alone (a warning was printed)
    };
    // Bytes of one message at most: the command word, a path of PATH_MAX bytes with each byte
    // possibly percent-encoded, and the line end. A longer one drops its connection.
    static constexpr int MESSAGE_MAX = 5 + 3 * PATH_MAX + 1;
    static constexpr int CONNECTIONS_MAX = 16; // connections served at once; more are dropped
    static constexpr int IDLE_MS = 3000;       // a connection that sends no whole line is dropped

    SingleInstance() = default;
    ~SingleInstance() override;

    // The folder of the socket and the lock: $XDG_RUNTIME_DIR when it is a folder of this user's
    // with mode 0700 and no lock or socket of another user's in it, else quadrivo-UID in the
    // temporary folder, made so or found so (owner, a real folder, mode 0700, nothing of another
    // user's inside; a folder found otherwise is never tightened). "" when neither is safe.
    // Why a folder was passed over goes to standard error.
    static QString ChannelFolder();

    // Becomes the running copy, or hands file (an absolute path, "" to only bring the window
    // forward) to the one that runs; messages for the user go to standard error.
    Role Start(const QByteArray& file);

  signals:
    // A later copy started, naming file ("" for none). It has been answered already.
    void Asked(const QByteArray& file);

  private:
    bool Listen(const QString& path);
    void Serve(QLocalSocket* socket);

    QLocalServer server;
    int lockFd = -1;
    int connections = 0;
};

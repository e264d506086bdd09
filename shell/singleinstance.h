// One running copy per user: the first copy listens on a local socket that only this user can
// reach; a later copy hands its file (if any) to it, and the first copy comes to the front.
#pragma once
#include <QLocalServer>
#include <QObject>
#include <QString>

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // Where the socket lives: the user's runtime folder, else a private folder under /tmp.
    static QString SocketPath();
    // Hands the file name (or "" to only bring the window forward) to a running copy; true when
    // one took it, so this copy should end without touching anything.
    static bool HandOver(const QString& file);
    // Makes this copy the running one, taking over a socket left by a copy that crashed.
    bool Listen();

  signals:
    void Asked(const QString& file); // a later copy started, naming file ("" for none)

  private:
    QLocalServer server;
};

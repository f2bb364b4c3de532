// One program per user and display: the instance lock, and the hand-over of the files of
// `orvane --open FILE...` to the program already running, through a local socket beside the
// lock in $XDG_RUNTIME_DIR (private to the user). The running program listens; a second
// process with --open sends its files and ends.
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace orv::app {

// The lock file and the socket of this user on this display ("offscreen" for tests).
QString instancePath(const char* suffix);

// Sends `files` (absolute paths) to the running program; true once it has taken them. `why`
// says what failed.
bool handOver(const QStringList& files, QString* why);

class OpenServer : public QObject {
    Q_OBJECT
  public:
    explicit OpenServer(QObject* parent = nullptr);
    // Listens, replacing a socket a program that ended left behind. False with the reason.
    bool listen(QString* why);

  signals:
    // Files handed over by a second `orvane --open`.
    void filesRequested(const QStringList& files);

  private:
    void serve();

    QLocalServer* server_;
};

}  // namespace orv::app

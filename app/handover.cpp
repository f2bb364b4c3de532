#include "app/handover.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include "app/startup.h"

namespace orv::app {

namespace {

// The request is the paths, one per line in UTF-8, and an empty line; the answer "OK".
constexpr int kWaitMs = 5000;
constexpr qint64 kMostRequest = 1 << 20;

}  // namespace

QString instancePath(const char* suffix) {
    QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (runtime.isEmpty() || !QDir(runtime).exists()) runtime = QDir::tempPath();
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    if (displayKind() == DisplayKind::Offscreen) display = QStringLiteral("offscreen");
    display.replace('/', '_');
    return QStringLiteral("%1/orvane-%2-%3.%4").arg(runtime).arg(::getuid()).arg(display, suffix);
}

bool handOver(const QStringList& files, QString* why) {
    QLocalSocket socket;
    socket.connectToServer(instancePath("sock"));
    if (!socket.waitForConnected(kWaitMs)) {
        if (why) *why = socket.errorString();
        return false;
    }
    QByteArray request;
    for (const QString& f : files)
        request += QDir::cleanPath(QDir().absoluteFilePath(f)).toUtf8() + '\n';
    socket.write(request + '\n');
    if (!socket.waitForBytesWritten(kWaitMs)) {
        if (why) *why = socket.errorString();
        return false;
    }
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(kWaitMs)) {
            if (why) *why = socket.errorString();
            return false;
        }
    return socket.readLine().trimmed() == "OK";
}

OpenServer::OpenServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &OpenServer::serve);
}

bool OpenServer::listen(QString* why) {
    // This program holds the instance lock: a socket already there is a crashed one's.
    const QString path = instancePath("sock");
    QLocalServer::removeServer(path);
    if (server_->listen(path)) return true;
    if (why) *why = server_->errorString();
    return false;
}

void OpenServer::serve() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (s->bytesAvailable() > kMostRequest) {
                s->abort();
                return;
            }
            const QByteArray all = s->peek(s->bytesAvailable());
            if (!all.endsWith("\n\n") && all != "\n") return;  // not whole yet
            s->readAll();
            QStringList files;
            for (const QByteArray& line : all.split('\n'))
                if (!line.isEmpty()) files << QString::fromUtf8(line);
            s->write("OK\n");
            s->flush();
            s->disconnectFromServer();
            emit filesRequested(files);
        });
    }
}

}  // namespace orv::app

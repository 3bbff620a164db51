// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/singleinstance.h"

#include "session/handover.h"

#include "session/inputscope.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// A hand-over is a 32-bit length and that many bytes of UTF-8 text; the
// answer is one byte, sent once the text is read whole.
constexpr char Handled = 1;
constexpr int ConnectTimeoutMs = 2000;

bool connectTo(QLocalSocket &socket, const QString &name)
{
    socket.connectToServer(name);
    return socket.waitForConnected(ConnectTimeoutMs);
}

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject *parent) : QObject(parent), name_(std::move(serverName))
{
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::newConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName()
{
#ifdef Q_OS_UNIX
    return QStringLiteral("Quorvex-%1").arg(::getuid());
#else
    QString user = qEnvironmentVariable("USERNAME");
    user.remove(QLatin1Char('\\')).remove(QLatin1Char('/'));
    return QStringLiteral("Quorvex-") + user;
#endif
}

bool SingleInstance::sendToRunning(const QString &serverName, const QString &commandLine)
{
    QLocalSocket socket;
    if (!connectTo(socket, serverName))
        return false;
    const QByteArray text = commandLine.toUtf8();
    QByteArray message;
    QDataStream(&message, QIODevice::WriteOnly) << quint32(text.size());
    message += text;
    socket.write(message);
    if (!socket.waitForBytesWritten(ConnectTimeoutMs) && socket.bytesToWrite() > 0)
        return false;
    // The running program answers as soon as it has read the text.
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(ConnectTimeoutMs))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Handled;
}

bool SingleInstance::listen()
{
    // A running program answers: never take its name over (with restricted
    // access the socket file is put in place by renaming, which would
    // silently replace a live one).
    QLocalSocket probe;
    if (connectTo(probe, name_)) {
        probe.abort();
        return false;
    }
    // A socket file left by a crashed program refuses connections.
    if (probe.error() == QLocalSocket::ConnectionRefusedError)
        QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(name_);
}

void SingleInstance::newConnection()
{
    while (QLocalSocket *socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket *socket)
{
    const InputScope scope;
    if (socket->property("read").toBool())
        return;
    if (socket->bytesAvailable() < qint64(sizeof(quint32)))
        return;
    quint32 size = 0;
    QDataStream(socket->peek(sizeof(quint32))) >> size;
    if (size > quint32(handover::MaxBytes)) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(sizeof(quint32) + size))
        return;
    socket->read(sizeof(quint32));
    const QString text = QString::fromUtf8(socket->read(size));
    socket->setProperty("read", true);
    // Answered and let go before anything is done with the text: whatever
    // the handling shows, the socket is no longer part of it.
    socket->write(&Handled, 1);
    socket->flush();
    socket->disconnectFromServer();
    QMetaObject::invokeMethod(this, [this, text] { emit handOver(text); }, Qt::QueuedConnection);
}

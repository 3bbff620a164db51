// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalSocket;

// One running program per user. A second start hands its command line to the
// running one over a local socket and waits until it has been taken.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString serverName, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Per user, so two users on one machine each run their own.
    static QString defaultServerName();

    // The second start: true when a running program took the command line
    // (see handover::commandLine); false when none runs (or it went away
    // first). A text over handover::MaxBytes is refused unread.
    static bool sendToRunning(const QString &serverName, const QString &commandLine);

    // The first start. A socket left behind by a crashed program is removed;
    // a live one is never taken over. False when the name cannot be served.
    bool listen();
    bool isListening() const { return server_.isListening(); }
    QString serverName() const { return name_; }

signals:
    // Raised for every hand-over, with the text as sent (possibly empty),
    // after the second start has been answered and its socket let go: the
    // receiver may take its time, and nothing it does reaches the socket.
    void handOver(const QString &commandLine);

private:
    void newConnection();
    void readFrom(QLocalSocket *socket);

    QString name_;
    QLocalServer server_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

// One running program per user, the desktop's way: the running program owns
// a well-known name on the session bus and answers org.freedesktop.Application
// (Activate, Open, ActivateAction) and a hand-over method of its own that
// carries a second start's command line and working folder. The bus is per
// user and frees the name when its owner dies, so there is nothing to squat
// on or clean up.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    static const QString ObjectPath;
    static const QString Interface;

    // The outcome of a second start's hand-over.
    struct Sent {
        bool taken = false; // the running program has the command line
        QString refusal;    // why it refused it; empty when taken or none answered
    };

    explicit SingleInstance(QString serviceName, QDBusConnection bus = QDBusConnection::sessionBus(),
                            QObject *parent = nullptr);
    ~SingleInstance() override;

    // The desktop entry's name, so activation by the desktop reaches us.
    static QString defaultServerName();

    // The second start: hands arguments and the folder they are relative to
    // to the program owning the name, and waits until it has taken them
    // (not handled them). Not taken when none runs or it did not answer.
    static Sent sendToRunning(const QString &serviceName, const QStringList &arguments, const QString &workingDir,
                              QDBusConnection bus = QDBusConnection::sessionBus());

    // The first start: serves the object and takes the name. False when the
    // bus is not there or another program owns the name already.
    bool listen();
    bool isListening() const { return listening_; }
    QString serverName() const { return name_; }
    QDBusConnection bus() const { return bus_; }

    // Called by the bus adaptors; each answers `message` itself.
    void activate();
    void open(const QStringList &uris, const QDBusMessage &message);
    void takeCommandLine(const QStringList &arguments, const QString &workingDir, const QDBusMessage &message);

signals:
    // Raised for every hand-over with the command line made absolute
    // (possibly empty: come to the front), after the caller has its answer:
    // the receiver may take its time and show questions.
    void handOver(const QString &commandLine);

private:
    void refuse(const QDBusMessage &message, const QString &why);
    void deliver(const QString &commandLine);

    QString name_;
    QDBusConnection bus_;
    bool registered_ = false;
    bool listening_ = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

// A session bus of the test's own, so no test meets the user's bus or
// another test's programs: a dbus-daemon this object starts and stops.
// Each connect() is one more client on it, as another process would be.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString &name : std::as_const(names_))
            QDBusConnection::disconnectFromBus(name);
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool isRunning() const { return !address_.isEmpty(); }
    QString address() const { return address_; }

    QDBusConnection connect(const QString &name)
    {
        const QString unique = QStringLiteral("%1-%2").arg(name).arg(quintptr(this));
        names_ << unique;
        return QDBusConnection::connectToBus(address_, unique);
    }
    // The client goes as a dying process's would: its names are freed.
    void disconnect(const QString &name)
    {
        const QString unique = QStringLiteral("%1-%2").arg(name).arg(quintptr(this));
        QDBusConnection::disconnectFromBus(unique);
        names_.removeAll(unique);
    }

private:
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/singleinstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// The second start runs in a thread of its own: it blocks until the running
// program answers, and the running program needs this thread's event loop.
class SecondStart : public QObject {
    Q_OBJECT
public:
    std::atomic<bool> result{false};

    void start(const QString &server, const QString &text)
    {
        thread_.reset(QThread::create([this, server, text] { result = SingleInstance::sendToRunning(server, text); }));
        // Queued: counted in this thread, so a wait begun after the second
        // start returned still sees it.
        connect(thread_.get(), &QThread::finished, this, &SecondStart::returned, Qt::QueuedConnection);
        thread_->start();
    }
    // Runs this thread's event loop until the second start has returned.
    bool waitUntilReturned() { return returned_.size() > 0 || returned_.wait(5000); }
    ~SecondStart() override
    {
        if (thread_)
            thread_->wait();
    }

signals:
    void returned();

private:
    std::unique_ptr<QThread> thread_;
    QSignalSpy returned_{this, &SecondStart::returned};
};

QString uniqueName(const char *what)
{
    return QStringLiteral("tst-quorvex-%1-%2").arg(QCoreApplication::applicationPid()).arg(QLatin1String(what));
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void commandLineText()
    {
        const QString cwd = QStringLiteral("/home/me/presets");
        QCOMPARE(SingleInstance::commandLineText({}, cwd), QString());
        // Split at spaces by the shell, joined again with single spaces.
        QCOMPARE(SingleInstance::commandLineText({QStringLiteral("/data/my"), QStringLiteral("lead.syx")}, cwd),
                 QStringLiteral("/data/my lead.syx"));
        // Relative to the second start's folder, not the running program's.
        QCOMPARE(SingleInstance::commandLineText({QStringLiteral("sub/a.syx")}, cwd),
                 QStringLiteral("/home/me/presets/sub/a.syx"));
        QCOMPARE(SingleInstance::commandLineText({QStringLiteral("\"my"), QStringLiteral("lead.syx\"")}, cwd),
                 QStringLiteral("/home/me/presets/my lead.syx"));
        // An absolute path in quotes is left for the receiver to unquote.
        QCOMPARE(SingleInstance::commandLineText({QStringLiteral("\"/data/a b.syx\"")}, cwd),
                 QStringLiteral("\"/data/a b.syx\""));
    }

    void noRunningInstance()
    {
        QVERIFY(!SingleInstance::sendToRunning(uniqueName("none"), QStringLiteral("x.syx")));
    }

    void handOverWaitsUntilHandled()
    {
        SecondStart second, empty; // outlive the server, which ends their wait
        SingleInstance running(uniqueName("wait"));
        QVERIFY(running.listen());

        // The second start's side played in this thread, so that what it has
        // received can be looked at while the running program handles: a
        // 32-bit length, then the text.
        QLocalSocket client;
        client.connectToServer(running.serverName());
        QVERIFY(client.waitForConnected(2000));
        QStringList received;
        bool answeredEarly = false;
        QSignalSpy handedOver(&running, &SingleInstance::handOver);
        auto handling = connect(&running, &SingleInstance::handOver, this,
                                [&](const QString &text) {
                                    received << text;
                                    // Handling may take a while and run the event loop (a
                                    // question box, say); all that time no answer arrives.
                                    QCoreApplication::processEvents();
                                    answeredEarly = client.bytesAvailable() > 0 || client.waitForReadyRead(0);
                                });
        const QByteArray text = QStringLiteral("/data/a b.syx").toUtf8();
        QByteArray message;
        QDataStream(&message, QIODevice::WriteOnly) << quint32(text.size());
        client.write(message + text);
        QVERIFY(handedOver.wait(5000));
        QCOMPARE(received, QStringList{QStringLiteral("/data/a b.syx")});
        QVERIFY(!answeredEarly);
        // Sent as the handling ended.
        QVERIFY(client.bytesAvailable() > 0 || client.waitForReadyRead(2000));
        char answer = 0;
        QVERIFY(client.getChar(&answer));
        QCOMPARE(int(answer), 1);
        disconnect(handling);

        // The second start itself, waiting for that answer.
        handedOver.clear();
        second.start(running.serverName(), QStringLiteral("/data/c.syx"));
        QVERIFY(second.waitUntilReturned());
        QVERIFY(second.result);
        QCOMPARE(handedOver.size(), 1);
        QCOMPARE(handedOver[0][0].toString(), QStringLiteral("/data/c.syx"));

        // An empty command line still reaches the running program (to come to
        // the front).
        empty.start(running.serverName(), QString());
        QVERIFY(empty.waitUntilReturned());
        QVERIFY(empty.result);
        QCOMPARE(handedOver.size(), 2);
        QVERIFY(handedOver[1][0].toString().isEmpty());
    }

    void liveServerIsNotTakenOver()
    {
        SingleInstance first(uniqueName("live"));
        QVERIFY(first.listen());
        SingleInstance second(uniqueName("live"));
        QVERIFY(!second.listen());
        QVERIFY(first.isListening());
    }

    void runningInstanceGoneBeforeAnswering_data()
    {
        // What a running program does with a hand-over it will not handle.
        QTest::addColumn<bool>("readsFirst");
        QTest::addColumn<bool>("answers");
        // It was shutting down.
        QTest::newRow("closes at once") << false << false;
        // The second start has sent everything: only the answer counts.
        QTest::newRow("reads it, then closes") << true << false;
        QTest::newRow("answers other than handled") << true << true;
    }

    void runningInstanceGoneBeforeAnswering()
    {
        // The second start must then not report success.
        QFETCH(bool, readsFirst);
        QFETCH(bool, answers);
        SecondStart second; // outlives the server, which ends its wait
        const QString name = uniqueName("gone");
        QLocalServer running;
        QLocalServer::removeServer(name);
        QVERIFY(running.listen(name));
        const QByteArray text = "a.syx";
        connect(&running, &QLocalServer::newConnection, &running, [&] {
            QLocalSocket *s = running.nextPendingConnection();
            const auto act = [s, answers, size = 4 + text.size()] {
                if (s->bytesAvailable() < size)
                    return;
                if (answers) {
                    s->write(QByteArray(1, '\0'));
                    s->flush();
                    s->disconnectFromServer();
                } else {
                    s->abort();
                }
                s->deleteLater();
            };
            if (!readsFirst) {
                s->abort();
                s->deleteLater();
                return;
            }
            connect(s, &QLocalSocket::readyRead, s, act);
            act();
        });
        second.start(name, QString::fromLatin1(text));
        QVERIFY(second.waitUntilReturned());
        QVERIFY(!second.result);
    }

#ifdef Q_OS_UNIX
    void staleSocketFromACrash()
    {
        // A socket file nobody listens on any more refuses connections.
        const QString name = uniqueName("stale");
        const QByteArray path = QDir(QDir::tempPath()).filePath(name).toLocal8Bit();
        ::unlink(path.constData());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

        QVERIFY(!SingleInstance::sendToRunning(name, QStringLiteral("a.syx")));
        SecondStart second; // outlives the server, which ends its wait
        SingleInstance running(name);
        QVERIFY(running.listen());

        QSignalSpy handedOver(&running, &SingleInstance::handOver);
        second.start(name, QStringLiteral("b.syx"));
        QVERIFY(second.waitUntilReturned());
        QVERIFY(second.result);
        QCOMPARE(handedOver.size(), 1);
        QCOMPARE(handedOver[0][0].toString(), QStringLiteral("b.syx"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"

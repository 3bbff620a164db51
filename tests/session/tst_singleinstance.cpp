// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/handover.h"
#include "session/singleinstance.h"

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
    // What a second start sends and which file the running program takes
    // from it; %1 in a path stands for a name of that many characters.
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("refused");
        auto row = [](const char *name, QStringList arguments, QString commandLine, QString file, bool refused = false) {
            QTest::newRow(name) << arguments << commandLine << file << refused;
        };
        row("none", {}, QString(), QString());
        // Split at spaces by the shell, joined again with single spaces.
        row("split", {QStringLiteral("/data/my"), QStringLiteral("lead.syx")}, QStringLiteral("/data/my lead.syx"),
            QStringLiteral("/data/my lead.syx"));
        // Relative to the second start's folder, not the running program's.
        row("relative", {QStringLiteral("sub/a.syx")}, QStringLiteral("/home/me/presets/sub/a.syx"),
            QStringLiteral("/home/me/presets/sub/a.syx"));
        row("quoted, split", {QStringLiteral("\"my"), QStringLiteral("lead.syx\"")},
            QStringLiteral("/home/me/presets/my lead.syx"), QStringLiteral("/home/me/presets/my lead.syx"));
        row("quoted, absolute", {QStringLiteral("\"/data/a b.syx\"")}, QStringLiteral("\"/data/a b.syx\""),
            QStringLiteral("/data/a b.syx"));
        // A quote inside a name is part of it.
        row("quote inside", {QStringLiteral("/data/12\" speaker.syx")}, QStringLiteral("/data/12\" speaker.syx"),
            QStringLiteral("/data/12\" speaker.syx"));
        row("quote inside, relative", {QStringLiteral("say \"hi\".syx")},
            QStringLiteral("/home/me/presets/say \"hi\".syx"), QStringLiteral("/home/me/presets/say \"hi\".syx"));
        row("quoted, quote inside", {QStringLiteral("\"/data/\"x\".syx\"")}, QStringLiteral("\"/data/\"x\".syx\""),
            QStringLiteral("/data/\"x\".syx"));
        const QString longest = QStringLiteral("/") + QString(4094, QLatin1Char('a'));
        row("the longest path", {longest}, longest, longest);
        row("a path too long", {longest + QLatin1Char('a')}, longest + QLatin1Char('a'), longest + QLatin1Char('a'),
            true);
        const QString huge = QStringLiteral("/") + QString(1 << 20, QLatin1Char('b'));
        row("a megabyte", {huge}, huge, huge, true);
        const QString wide = QStringLiteral("/") + QString(3000, QChar(0x00FC)); // two bytes each
        row("long in bytes", {wide}, wide, wide, true);
    }
    void commandLines()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, commandLine);
        QFETCH(QString, file);
        QFETCH(bool, refused);
        const QString cwd = QStringLiteral("/home/me/presets");
        QCOMPARE(handover::commandLine(arguments, cwd), commandLine);
        QCOMPARE(handover::fileName(commandLine), file);
        const QString refusal = handover::refusal(commandLine);
        QCOMPARE(!refusal.isEmpty(), refused);
        // The reason names the file, shortened: never the whole text.
        QVERIFY(refusal.size() < 400);
    }

    void noRunningInstance()
    {
        QVERIFY(!SingleInstance::sendToRunning(uniqueName("none"), QStringLiteral("x.syx")));
    }

    void handOverIsAnsweredBeforeItIsHandled()
    {
        SecondStart second, empty; // outlive the server, which ends their wait
        SingleInstance running(uniqueName("wait"));
        QVERIFY(running.listen());

        // The second start's side played in this thread: a 32-bit length,
        // then the text.
        QLocalSocket client;
        client.connectToServer(running.serverName());
        QVERIFY(client.waitForConnected(2000));
        QStringList received;
        bool answeredFirst = false;
        QSignalSpy handedOver(&running, &SingleInstance::handOver);
        auto handling = connect(&running, &SingleInstance::handOver, this, [&](const QString &text) {
            received << text;
            // The handling may show boxes and take its time: the second
            // start has its answer already, and nothing here touches its socket.
            answeredFirst = client.bytesAvailable() > 0 || client.waitForReadyRead(2000);
        });
        const QByteArray text = QStringLiteral("/data/a b.syx").toUtf8();
        QByteArray message;
        QDataStream(&message, QIODevice::WriteOnly) << quint32(text.size());
        client.write(message + text);
        QVERIFY(handedOver.wait(5000));
        QCOMPARE(received, QStringList{QStringLiteral("/data/a b.syx")});
        QVERIFY(answeredFirst);
        char answer = 0;
        QVERIFY(client.getChar(&answer));
        QCOMPARE(int(answer), 1);
        disconnect(handling);

        // The second start itself.
        handedOver.clear();
        second.start(running.serverName(), QStringLiteral("/data/c.syx"));
        QVERIFY(second.waitUntilReturned());
        QVERIFY(second.result);
        QTRY_COMPARE(handedOver.size(), 1);
        QCOMPARE(handedOver[0][0].toString(), QStringLiteral("/data/c.syx"));

        // An empty command line still reaches the running program (to come to
        // the front).
        empty.start(running.serverName(), QString());
        QVERIFY(empty.waitUntilReturned());
        QVERIFY(empty.result);
        QTRY_COMPARE(handedOver.size(), 2);
        QVERIFY(handedOver[1][0].toString().isEmpty());
    }

    void secondStartGivesUpAnywhere_data()
    {
        // How much of the hand-over the second start sent before it went
        // away (Ctrl+C, a file manager's time-out).
        QTest::addColumn<int>("bytesSent");
        QTest::newRow("nothing") << 0;
        QTest::newRow("half the length") << 2;
        QTest::newRow("the length only") << 4;
        QTest::newRow("half the text") << 9;
        QTest::newRow("all of it") << 4 + 10;
    }

    void secondStartGivesUpAnywhere()
    {
        // The running program takes what came whole, never crashes, and
        // serves the next start.
        QFETCH(int, bytesSent);
        SecondStart next;
        SingleInstance running(uniqueName("giveup"));
        QVERIFY(running.listen());
        QSignalSpy handedOver(&running, &SingleInstance::handOver);
        const QByteArray text = "0123456789";
        QByteArray message;
        QDataStream(&message, QIODevice::WriteOnly) << quint32(text.size());
        message += text;
        {
            QLocalSocket client;
            client.connectToServer(running.serverName());
            QVERIFY(client.waitForConnected(2000));
            client.write(message.left(bytesSent));
            client.waitForBytesWritten(2000);
            client.abort();
        }
        // Connections are served in order: once the next start's text is
        // in, the one that gave up has been dealt with.
        next.start(running.serverName(), QStringLiteral("next.syx"));
        QVERIFY(next.waitUntilReturned());
        QVERIFY(next.result);
        QTRY_VERIFY(!handedOver.isEmpty() && handedOver.last()[0].toString() == QStringLiteral("next.syx"));
        QCOMPARE(handedOver.size(), bytesSent == message.size() ? 2 : 1);
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

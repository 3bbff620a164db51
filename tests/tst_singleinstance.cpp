#include "app/singleinstance.h"

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
struct SecondStart {
    std::atomic<bool> done{false};
    std::atomic<bool> result{false};
    std::unique_ptr<QThread> thread;

    void start(const QString &server, const QString &text)
    {
        thread.reset(QThread::create([this, server, text] {
            result = SingleInstance::handOver(server, text);
            done = true;
        }));
        thread->start();
    }
    ~SecondStart()
    {
        if (thread)
            thread->wait();
    }
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
        QVERIFY(!SingleInstance::handOver(uniqueName("none"), QStringLiteral("x.syx")));
    }

    void handOverWaitsUntilHandled()
    {
        SingleInstance running(uniqueName("wait"));
        QVERIFY(running.listen());
        QStringList received;
        bool secondStartReturnedEarly = false;
        SecondStart second;
        running.onHandOver = [&](const QString &text) {
            received << text;
            // Handling takes a while (a question box, say); the second start
            // must still be waiting when it ends.
            QTest::qWait(150);
            secondStartReturnedEarly = second.done;
        };
        second.start(running.serverName(), QStringLiteral("/data/a b.syx"));
        QTRY_VERIFY(second.done);
        QVERIFY(second.result);
        QCOMPARE(received, QStringList{QStringLiteral("/data/a b.syx")});
        QVERIFY(!secondStartReturnedEarly);

        // An empty command line still reaches the running program (to come to
        // the front).
        SecondStart empty;
        empty.start(running.serverName(), QString());
        QTRY_VERIFY(empty.done);
        QVERIFY(empty.result);
        QCOMPARE(received.size(), 2);
        QVERIFY(received.last().isEmpty());
    }

    void liveServerIsNotTakenOver()
    {
        SingleInstance first(uniqueName("live"));
        QVERIFY(first.listen());
        SingleInstance second(uniqueName("live"));
        QVERIFY(!second.listen());
        QVERIFY(first.isListening());
    }

    void runningInstanceGoneBeforeAnswering()
    {
        // A program that accepts and then closes without handling (it was
        // shutting down): the second start must not report success.
        QLocalServer closing;
        QLocalServer::removeServer(uniqueName("gone"));
        QVERIFY(closing.listen(uniqueName("gone")));
        connect(&closing, &QLocalServer::newConnection, &closing, [&] {
            QLocalSocket *s = closing.nextPendingConnection();
            s->abort();
            s->deleteLater();
        });
        SecondStart second;
        second.start(uniqueName("gone"), QStringLiteral("a.syx"));
        QTRY_VERIFY(second.done);
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

        QVERIFY(!SingleInstance::handOver(name, QStringLiteral("a.syx")));
        SingleInstance running(name);
        QVERIFY(running.listen());

        QString received;
        running.onHandOver = [&](const QString &text) { received = text; };
        SecondStart second;
        second.start(name, QStringLiteral("b.syx"));
        QTRY_VERIFY(second.done);
        QVERIFY(second.result);
        QCOMPARE(received, QStringLiteral("b.syx"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"

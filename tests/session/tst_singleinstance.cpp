// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/handover.h"
#include "session/singleinstance.h"
#include "support/privatebus.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QThread>
#include <QUrl>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <memory>

namespace {

const QString Name = QStringLiteral("org.quorvex.Quorvex");

// A method of the running program, as another process calls it.
QDBusMessage callOf(const QString &interface, const QString &method, const QVariantList &arguments)
{
    QDBusMessage m = QDBusMessage::createMethodCall(Name, SingleInstance::ObjectPath, interface, method);
    m.setArguments(arguments);
    return m;
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateBus> bus_;

private slots:
    void init()
    {
        bus_ = std::make_unique<PrivateBus>();
        QVERIFY2(bus_->isRunning(), "dbus-daemon did not start (scripts/bootstrap installs it)");
    }
    void cleanup() { bus_.reset(); }

    // What a second start sends and which file the running program takes
    // from it; %1 in a path stands for a name of that many characters.
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("refused");
        auto row = [](const char *name, QStringList arguments, QString commandLine, QString file,
                      bool refused = false) { QTest::newRow(name) << arguments << commandLine << file << refused; };
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
        const SingleInstance::Sent sent = SingleInstance::sendToRunning(Name, {QStringLiteral("x.syx")},
                                                                        QStringLiteral("/"), bus_->connect("second"));
        QVERIFY(!sent.taken);
        QVERIFY(sent.refusal.isEmpty());
    }

    void noBusAtAll()
    {
        // Not connected: it serves nothing and hands nothing over, and says so.
        SingleInstance alone(
            Name, QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nobus")));
        QVERIFY(!alone.bus().isConnected());
        QVERIFY(!alone.listen());
        QVERIFY(!SingleInstance::sendToRunning(Name, {}, QStringLiteral("/"), alone.bus()).taken);
        QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
    }

    void secondStartIsAnsweredBeforeItIsHandled()
    {
        // The second start blocks until the running program answers; the
        // answer comes before any handling, which may show boxes for long.
        SingleInstance running(Name, bus_->connect("first"));
        QVERIFY(running.listen());
        const QDBusConnection second = bus_->connect("second");
        SingleInstance::Sent sent;
        std::unique_ptr<QThread> start(QThread::create([&] {
            sent = SingleInstance::sendToRunning(Name, {QStringLiteral("sub/a"), QStringLiteral("b.syx")},
                                                 QStringLiteral("/home/me"), second);
        }));
        bool answeredFirst = false;
        QStringList received;
        connect(&running, &SingleInstance::handOver, this, [&](const QString &text) {
            received << text;
            // Blocks this thread: only an answer already sent lets it return.
            answeredFirst = start->wait(2000);
        });
        start->start();
        QTRY_COMPARE(received.size(), 1);
        QVERIFY(answeredFirst);
        QVERIFY(sent.taken);
        QCOMPARE(received[0], QStringLiteral("/home/me/sub/a b.syx"));
    }

    void handOvers_data()
    {
        // Every way in, what the running program takes (null: nothing, the
        // window untouched) and the error the caller gets instead.
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("error");
        const QString app = QStringLiteral("org.freedesktop.Application");
        const QString own = SingleInstance::Interface;
        const QString refused = QStringLiteral("org.quorvex.Quorvex.Error.Refused");
        const QVariantMap platform;
        auto row = [](const char *name, QString interface, QString method, QVariantList arguments, QString taken,
                      QString error = QString()) {
            QTest::newRow(name) << interface << method << arguments << taken << error;
        };
        row("activate", app, QStringLiteral("Activate"), {platform}, QStringLiteral(""));
        row("open a file", app, QStringLiteral("Open"),
            {QStringList{QUrl::fromLocalFile(QStringLiteral("/data/my lead.syx")).toString()}, platform},
            QStringLiteral("/data/my lead.syx"));
        row("open, the first file", app, QStringLiteral("Open"),
            {QStringList{QStringLiteral("file:///a.syx"), QStringLiteral("file:///b.syx")}, platform},
            QStringLiteral("/a.syx"));
        row("open nothing", app, QStringLiteral("Open"), {QStringList{}, platform}, QStringLiteral(""));
        row("open a web address", app, QStringLiteral("Open"),
            {QStringList{QStringLiteral("https://example.org/a.syx")}, platform}, QString(), refused);
        row("an action", app, QStringLiteral("ActivateAction"), {QStringLiteral("quit"), QVariantList{}, platform},
            QString(), QStringLiteral("org.freedesktop.DBus.Error.NotSupported"));
        row("command line", own, QStringLiteral("CommandLine"),
            {QStringList{QStringLiteral("a.syx")}, QStringLiteral("/data")}, QStringLiteral("/data/a.syx"));
        row("no arguments", own, QStringLiteral("CommandLine"), {QStringList{}, QString()}, QStringLiteral(""));
        row("a megabyte", own, QStringLiteral("CommandLine"),
            {QStringList{QString(1 << 20, QLatin1Char('x'))}, QStringLiteral("/")}, QString(), refused);
        row("a relative folder", own, QStringLiteral("CommandLine"),
            {QStringList{QStringLiteral("a.syx")}, QStringLiteral("data")}, QString(), refused);
        row("wrong types", own, QStringLiteral("CommandLine"), {QStringLiteral("a.syx"), 7}, QString(),
            QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    }
    void handOvers()
    {
        QFETCH(QString, interface);
        QFETCH(QString, method);
        QFETCH(QVariantList, arguments);
        QFETCH(QString, taken);
        QFETCH(QString, error);
        SingleInstance running(Name, bus_->connect("first"));
        QVERIFY(running.listen());
        QSignalSpy handedOver(&running, &SingleInstance::handOver);
        QDBusPendingCall call = bus_->connect("second").asyncCall(callOf(interface, method, arguments));
        QTRY_VERIFY(call.isFinished());
        QCOMPARE(call.reply().errorName(), error);
        if (error.isEmpty()) {
            QTRY_COMPARE(handedOver.size(), 1);
            QCOMPARE(handedOver[0][0].toString(), taken);
        } else {
            QVERIFY(!call.reply().errorMessage().isEmpty());
            QCoreApplication::processEvents();
            QCOMPARE(handedOver.size(), 0);
        }
        // It serves the next start all the same.
        QDBusPendingCall next = bus_->connect("third").asyncCall(
            callOf(QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"), {QVariantMap()}));
        QTRY_COMPARE(handedOver.size(), error.isEmpty() ? 2 : 1);
        QVERIFY(next.reply().errorName().isEmpty());
    }

    void refusalReachesTheSecondStart()
    {
        SingleInstance running(Name, bus_->connect("first"));
        QVERIFY(running.listen());
        const QDBusConnection second = bus_->connect("second");
        SingleInstance::Sent sent;
        std::unique_ptr<QThread> start(QThread::create([&] {
            sent = SingleInstance::sendToRunning(Name, {QStringLiteral("a.syx")}, QStringLiteral("relative"), second);
        }));
        start->start();
        QTRY_VERIFY(start->isFinished());
        QVERIFY(!sent.taken);
        QVERIFY(!sent.refusal.isEmpty());
    }

    void theNameIsNeverTakenOver()
    {
        SingleInstance first(Name, bus_->connect("first"));
        QVERIFY(first.listen());
        SingleInstance second(Name, bus_->connect("second"));
        QVERIFY(!second.listen());
        QVERIFY(first.isListening());
    }

    void theNameIsFreedWhenItsOwnerIsKilled()
    {
        // The owner, a process of its own, killed without a chance to clean up.
        QProcess owner;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVEX_TEST_OWN_NAME_ON"), bus_->address());
        owner.setProcessEnvironment(env);
        owner.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(owner.waitForReadyRead(10000));
        QCOMPARE(owner.readLine().trimmed(), QByteArray("owned"));
        SingleInstance next(Name, bus_->connect("next"));
        QVERIFY(!next.listen());
        owner.kill();
        QVERIFY(owner.waitForFinished(5000));
        QTRY_VERIFY(next.listen());
    }
};

// The killed owner above: takes the name and serves until killed.
static int ownNameUntilKilled(int argc, char *argv[], const QString &address)
{
    QCoreApplication app(argc, argv);
    SingleInstance owner(Name, QDBusConnection::connectToBus(address, QStringLiteral("owner")));
    if (!owner.listen())
        return 1;
    std::fputs("owned\n", stdout);
    std::fflush(stdout);
    return app.exec();
}

int main(int argc, char *argv[])
{
    if (const QString address = qEnvironmentVariable("QUORVEX_TEST_OWN_NAME_ON"); !address.isEmpty())
        return ownNameUntilKilled(argc, argv, address);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and hand-over without a window: which file the start opens, when
// a file handed over by a second start is opened, and what is refused.
#include "model/quorvexerror.h"
#include "session/startup.h"
#include "support/ampworld.h"
#include "support/scriptedprompter.h"

#include <QtTest>

namespace {

struct RecordingUser : StartUp::User {
    QStringList calls;
    void choosePorts() override { calls << QStringLiteral("ports"); }
    void sync(bool startup) override { calls << (startup ? QStringLiteral("sync at start") : QStringLiteral("sync")); }
    void bringToFront() override { calls << QStringLiteral("front"); }
};

// Runs the start-up as the window's activation does; the error it ends
// with, if any.
QString runStart(StartUp &start)
{
    if (!start.activate())
        return QStringLiteral("activated twice");
    try {
        start.run();
    } catch (const QuorvexError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void whichFileTheStartOpens_data();
    void whichFileTheStartOpens();
    void handOverAfterTheFileStepWaitsForTheQueue();
    void refusedHandOverIsToldFromTheQueue();
};

void TestStartUp::whichFileTheStartOpens_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("handedOverFirst"); // before the activation
    QTest::addColumn<QString>("errorNames");      // the file the failed open names; empty: no error

    QTest::newRow("no file") << QStringList() << QString() << QString();
    QTest::newRow("command line") << QStringList{QStringLiteral("/nowhere/a.syx")} << QString()
                                  << QStringLiteral("a.syx");
    QTest::newRow("name with spaces, split by the shell")
        << QStringList{QStringLiteral("/nowhere/my"), QStringLiteral("sound.syx")} << QString()
        << QStringLiteral("my sound.syx");
    QTest::newRow("handed over before the start takes the command line's place")
        << QStringList{QStringLiteral("/nowhere/a.syx")} << QStringLiteral("\"/nowhere/b.syx\"")
        << QStringLiteral("b.syx");
    QTest::newRow("command line too long to name a file")
        << QStringList{QStringLiteral("/") + QString(9000, QLatin1Char('x'))} << QString() << QStringLiteral("long");
}

void TestStartUp::whichFileTheStartOpens()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, handedOverFirst);
    QFETCH(QString, errorNames);
    ScriptedPrompter prompter;
    AmpWorld world(prompter);
    RecordingUser user;
    StartUp start(world.s(), prompter, user, arguments);
    if (!handedOverFirst.isEmpty())
        start.handOver(handedOverFirst);

    const QString error = runStart(start);
    if (errorNames.isEmpty())
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY2(error.contains(errorNames, Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(!start.running());
    QVERIFY(start.activated());
    QVERIFY(!start.activate()); // later activations do nothing
    // Both ports were chosen: no port window.
    QVERIFY(!user.calls.contains(QStringLiteral("ports")));
}

void TestStartUp::handOverAfterTheFileStepWaitsForTheQueue()
{
    ScriptedPrompter prompter;
    AmpWorld world(prompter);
    RecordingUser user;
    StartUp start(world.s(), prompter, user, {});
    QCOMPARE(runStart(start), QString());
    QVERIFY(user.calls.contains(QStringLiteral("sync at start")));

    user.calls.clear();
    start.handOver(QString());
    QCOMPARE(user.calls, QStringList{QStringLiteral("front")});
    QCOMPARE(world.s().queue().pendingCount(), 0);

    start.handOver(QStringLiteral("/nowhere/c.syx"));
    // Never opened inside the hand-over's own slot.
    QVERIFY(prompter.shown.isEmpty());
    QCOMPARE(world.s().queue().pendingCount(), 1);
}

void TestStartUp::refusedHandOverIsToldFromTheQueue()
{
    ScriptedPrompter prompter;
    AmpWorld world(prompter);
    RecordingUser user;
    StartUp start(world.s(), prompter, user, {});
    QCOMPARE(runStart(start), QString());
    prompter.shown.clear();

    start.handOver(QStringLiteral("/") + QString(9000, QLatin1Char('y')));
    QVERIFY(prompter.shown.isEmpty());
    world.settle();
    QCOMPARE(prompter.shown.size(), 1);
    QCOMPARE(prompter.shown[0].kind, QStringLiteral("notice"));
}

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/presetfile.h"
#include "library/library.h"
#include "library/setlistplayer.h"
#include "library/setlistwindow.h"
#include "midi/loopbackbackend.h"
#include "support/scriptedprompter.h"

#include <QtTest>

using namespace preset;

namespace {

SetlistPlace placeAt(const QString &path, SetlistPlace::State state = SetlistPlace::Found)
{
    SetlistPlace p;
    p.state = state;
    p.path = state == SetlistPlace::Missing ? QString() : path;
    return p;
}

std::vector<SetlistPlace> places(int n)
{
    std::vector<SetlistPlace> out;
    for (int i = 0; i < n; ++i)
        out.push_back(placeAt(QStringLiteral("/p/%1.syx").arg(i)));
    return out;
}

// What the player asked to show, and how the editor answers.
struct Editor {
    struct Call {
        QString path;
        bool ask;
    };
    std::vector<Call> calls;
    bool unsaved = false;
    bool keepWork = false; // the user answers Cancel
    SetlistPlayer::Show show()
    {
        return [this](const SetlistPlace &p, bool ask, SetlistPlayer::Done done) {
            calls.push_back({p.path, ask});
            const bool asked = ask && unsaved;
            if (asked && keepWork) {
                done(false, true);
                return;
            }
            if (asked || !ask)
                unsaved = false;
            done(true, asked);
        };
    }
    QStringList paths() const
    {
        QStringList out;
        for (const Call &c : calls)
            out << c.path;
        return out;
    }
};

} // namespace

class TestSetlistPlay : public QObject {
    Q_OBJECT

private slots:
    void stepsFollowTheCableAndTheLastWins();
    void unsavedWorkIsAskedAboutOnce();
    void footControllerIsLearned();
    void keysStepThePlayView();
};

void TestSetlistPlay::stepsFollowTheCableAndTheLastWins()
{
    Editor editor;
    SetlistPlayer player(editor.show());
    std::vector<SetlistPlace> list = places(6);
    list[3] = placeAt({}, SetlistPlace::Missing);
    player.start(list);
    player.go(0);
    QCOMPARE(editor.paths(), QStringList{QStringLiteral("/p/0.syx")});

    // A flood while the preset is on the cable: only where it ends is sent.
    for (int i = 0; i < 50; ++i)
        player.step(1);
    player.step(-1);
    QCOMPARE(editor.calls.size(), 1u);
    QCOMPARE(player.position(), 4); // clamped at the end, then one back
    player.cableFree();
    QCOMPARE(editor.paths().last(), QStringLiteral("/p/4.syx"));

    // A missing entry sends nothing: the Amp keeps what it plays.
    player.cableFree();
    player.step(-1);
    QCOMPARE(player.position(), 3);
    QCOMPARE(editor.calls.size(), 2u);
    player.step(-10);
    QCOMPARE(editor.paths().last(), QStringLiteral("/p/0.syx"));
    QCOMPARE(player.position(), 0);
}

void TestSetlistPlay::unsavedWorkIsAskedAboutOnce()
{
    Editor editor;
    SetlistPlayer player(editor.show());
    player.start(places(5));

    // Nothing unsaved: it asks at the next step still.
    player.go(0);
    player.cableFree();
    // The user keeps his work: the step is not taken, and it asks again.
    editor.unsaved = editor.keepWork = true;
    player.step(1);
    QCOMPARE(player.position(), 0);
    editor.keepWork = false;
    player.step(1);
    QCOMPARE(player.position(), 1);
    player.cableFree();
    // Asked once: from now on unsaved work is let go without a question.
    editor.unsaved = true;
    player.step(1);
    QCOMPARE(editor.calls.back().path, QStringLiteral("/p/2.syx"));
    QList<bool> asks;
    for (const auto &c : editor.calls)
        asks << c.ask;
    QCOMPARE(asks, (QList<bool>{true, true, true, false}));

    // A new session asks again.
    player.start(places(2));
    player.go(1);
    player.cableFree();
    QCOMPARE(editor.calls.back().path, QStringLiteral("/p/1.syx"));
    QVERIFY(editor.calls.back().ask);
}

void TestSetlistPlay::footControllerIsLearned()
{
    Editor editor;
    SetlistPlayer player(editor.show());
    auto *foot = new LoopbackBackend;
    QVERIFY(player.listen(std::unique_ptr<MidiBackend>(foot), 0));
    player.start(places(4));
    QSignalSpy learned(&player, &SetlistPlayer::learned);

    player.learn(SetlistPlayer::Learning::Next);
    foot->inject({0xB2, 64, 0});   // a switch let go teaches nothing
    foot->inject({0x92, 60, 100}); // nor does a note
    foot->inject({0xB2, 64, 127});
    foot->flush();
    QCOMPARE(learned.size(), 1);
    QCOMPARE(player.nextTrigger(), (SetlistPlayer::Trigger{SetlistPlayer::Trigger::Control, 2, 64}));
    QCOMPARE(player.nextTrigger().text(), QStringLiteral("CC 64, channel 3"));
    player.learn(SetlistPlayer::Learning::Previous);
    foot->inject({0xC2, 7});
    foot->flush();
    QCOMPARE(SetlistPlayer::Trigger::fromKey(player.previousTrigger().key()), player.previousTrigger());

    // Press, let go, press: two steps; the same CC on another channel, none.
    foot->inject({0xB2, 64, 127});
    foot->inject({0xB2, 64, 0});
    foot->inject({0xB0, 64, 127});
    foot->flush();
    player.cableFree();
    foot->inject({0xB2, 64, 127});
    foot->flush();
    QCOMPARE(player.position(), 2);
    player.cableFree();
    foot->inject({0xC2, 7});
    foot->flush();
    QCOMPARE(player.position(), 1);
    QCOMPARE(editor.paths(),
             (QStringList{QStringLiteral("/p/1.syx"), QStringLiteral("/p/2.syx"), QStringLiteral("/p/1.syx")}));
}

void TestSetlistPlay::keysStepThePlayView()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data));
    Setlist list;
    for (int i = 0; i < 3; ++i) {
        Record r = DefaultRecord;
        r[PreGain] = std::uint8_t(i + 1);
        const QString file = data + QStringLiteral("/Song %1.syx").arg(i);
        files::writeSingleFile(file, r);
        list.entries.push_back(SetlistResolver::entryFor(file, -1, r, data + QStringLiteral("/gig.qvset")));
        list.entries.back().song = QStringLiteral("Song %1").arg(i);
    }
    setlistfile::write(data + QStringLiteral("/gig.qvset"), list);

    Library library(dir.filePath(QStringLiteral("index.sqlite")));
    library.setDataFolder(data);
    ScriptedPrompter prompter;
    QStringList played;
    LibraryHooks hooks;
    hooks.play = [&](const QString &path, int, bool, std::function<void(bool, bool)> done) {
        played << QFileInfo(path).completeBaseName();
        done(true, false);
    };
    SetlistWindow window(library, prompter, hooks, {});
    QVERIFY(window.openFile(data + QStringLiteral("/gig.qvset")));
    QCOMPARE(window.setlist(), list);
    window.play();
    QCOMPARE(played, QStringList{QStringLiteral("Song 0")});
    for (const int key : {Qt::Key_Space, Qt::Key_PageDown, Qt::Key_PageUp}) {
        QTest::keyClick(&window, Qt::Key(key));
        window.player().cableFree();
    }
    QCOMPARE(played, (QStringList{QStringLiteral("Song 0"), QStringLiteral("Song 1"), QStringLiteral("Song 2"),
                                  QStringLiteral("Song 1")}));
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isPlaying());

    // A removed file is reported by Check, and nothing is lost on the way.
    QVERIFY(QFile::remove(data + QStringLiteral("/Song 2.syx")));
    const QStringList missing = window.check();
    QCOMPARE(missing.size(), 1);
    QVERIFY2(missing[0].startsWith(QStringLiteral("3 Song 2: ")), qPrintable(missing[0]));
    QVERIFY(!window.isModified());
    QCOMPARE(prompter.unexpected, 0);
}

QTEST_MAIN(TestSetlistPlay)
#include "tst_setlistplay.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Screenshots of the globals window and of the tuner fed by the virtual
// Amp's tuner stream, for looking at them by eye: run under a real X server
// (Xvfb) with the output folder as argument. No Amp is needed.
#include "ampsim/virtualamp.h"
#include "globals/globalswindow.h"
#include "mainwindow/mainwindow.h"
#include "midi/loopbackbackend.h"
#include "support/scriptedprompter.h"
#include "tuner/tunerwindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

static void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

static bool shoot(QWidget &w, const QString &path)
{
    return w.screen()->grabWindow(w.winId()).save(path);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("quorvex.INI"));
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
        return 1;
    f.write("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
    f.close();

    VirtualAmp amp;
    amp.versionByte = 0x10; // 2.0
    amp.globals = {0, 0, 1, 4, 0x43, 5, 12, 17, 0, 0x01, 10, 0, 0, 5};
    auto backend = std::make_unique<LoopbackBackend>();
    LoopbackBackend *loop = backend.get();
    loop->peer = [&](const amp::Bytes &m) {
        for (auto &reply : amp.receive(m))
            loop->inject(reply);
    };
    MainWindow::Options o;
    o.backend = std::move(backend);
    o.prompter = std::make_unique<ScriptedPrompter>();
    o.iniPath = ini;
    o.libraryIndex = QFileInfo(ini).dir().filePath(QStringLiteral("library.sqlite"));
    MainWindow w(std::move(o));
    w.show();
    settle(500);

    bool ok = false;
    QTimer::singleShot(700, [&] {
        if (auto *form = qobject_cast<GlobalsWindow *>(QApplication::activeModalWidget())) {
            ok = shoot(*form, out + QStringLiteral("/globals-from-amp.png"));
            form->close();
        }
    });
    w.findChild<QAction *>(QStringLiteral("GlobalWindow1"))->trigger();

    // The Amp's tuner stream, from a timer as a MIDI program would run it.
    QElapsedTimer clock;
    clock.start();
    QTimer stream;
    QObject::connect(&stream, &QTimer::timeout, [&] {
        if (auto m = amp.tunerMessageDue(clock.elapsed()))
            loop->inject(*m);
    });
    stream.start(10);
    w.findChild<QAction *>(QStringLiteral("EnterTuner1"))->trigger();
    TunerWindow &tuner = w.tunerWindow();
    for (int at : {600, 1500, 2400, 3500, 4700}) {
        settle(int(at - clock.elapsed()));
        ok &= shoot(tuner, out + QStringLiteral("/tuner-%1ms.png").arg(at));
    }
    tuner.exitTuner();
    stream.stop();
    w.session().document().setModified(false);
    w.close();
    return ok ? 0 : 1;
}

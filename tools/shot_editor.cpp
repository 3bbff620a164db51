// SPDX-License-Identifier: GPL-3.0-or-later
// Screenshots of the main window for looking at the editor panel by eye:
// run under a real X server (Xvfb) with the output folder as argument.
// Uses the loopback MIDI service, so no Amp is needed.
#include "controls/presettabs.h"
#include "editor/editorpanel.h"
#include "mainwindow/mainwindow.h"
#include "midi/loopbackbackend.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
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
    settle(300);
    const QPixmap shot = w.screen()->grabWindow(w.winId());
    return shot.save(path);
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

    MainWindow::Options o;
    o.backend = std::make_unique<LoopbackBackend>();
    o.prompter = std::make_unique<ScriptedPrompter>();
    o.iniPath = ini;
    o.libraryIndex = QFileInfo(ini).dir().filePath(QStringLiteral("library.sqlite"));
    MainWindow w(std::move(o));
    w.show();
    settle(500);
    bool ok = shoot(w, out + QStringLiteral("/single-view.png"));

    w.findChild<QAction *>(QStringLiteral("NewGroup1"))->trigger();
    EditorPanel &panel = w.editorPanel();
    panel.presetTabs->setCurrentIndex(6);
    for (QCheckBox *box : {panel.CheckBoxBoost, panel.CheckBoxMod, panel.CheckBoxDelay, panel.CheckBoxReverb})
        box->setChecked(true);
    panel.ComboBoxMod->setCurrentIndex(1);
    ok &= shoot(w, out + QStringLiteral("/group-view-alt.png"));
    w.session().document().setModified(false);
    w.close();
    return ok ? 0 : 1;
}

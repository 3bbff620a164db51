// SPDX-License-Identifier: GPL-3.0-or-later
#include "ampsim/virtualamp.h"
#include "controls/elidedlabel.h"
#include "controls/led.h"
#include "controls/numberknob.h"
#include "controls/presettabs.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/midiportsdialog.h"
#include "dialogs/notesdialog.h"
#include "dialogs/qtprompter.h"
#include "dialogs/syncdialog.h"
#include "editor/editorpanel.h"
#include "filelist/filelistpanel.h"
#include "globals/globalswindow.h"
#include "library/library.h"
#include "mainwindow/caretrest.h"
#include "mainwindow/librarylink.h"
#include "mainwindow/linkstatus.h"
#include "mainwindow/mainwindow.h"
#include "midi/loopbackbackend.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"
#include "session/handover.h"
#include "session/settings.h"
#include "session/singleinstance.h"
#include "support/privatebus.h"
#include "support/scriptedprompter.h"
#include "support/syncuser.h"
#include "tuner/tunerwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUndoView>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

namespace {

using Button = Prompter::Button;

// The title without the unsaved marker's placeholder ("[*]").
QString shownTitle(const QWidget &w)
{
    return w.windowTitle().remove(QStringLiteral("[*]"));
}

struct Fixture {
    QTemporaryDir dir;
    LoopbackBackend *backend = nullptr;
    ScriptedPrompter *prompter = nullptr;
    std::unique_ptr<MainWindow> w;
    // The Amp at the other end of the loopback, when a test attaches one.
    std::unique_ptr<VirtualAmp> amp;
    // The user at the sync dialog: OK once found, Cancel once not found.
    // Without an Amp the reply timer's time is up at once.
    QTimer syncUser;
    QStringList syncTexts;

    Fixture()
    {
        syncUser.setInterval(2);
        QObject::connect(&syncUser, &QTimer::timeout, [this] {
            if (answerSyncDialog(syncTexts))
                return;
            auto *sync = qobject_cast<SyncDialog *>(QApplication::activeModalWidget());
            if (sync && sync->isVisible() && !amp && w && w->session().transfers().state() == TransferState::Identify) {
                w->session().transfers().replyTimedOut();
            }
        });
        syncUser.start();
    }
    void attachAmp(std::uint8_t versionByte)
    {
        amp = std::make_unique<VirtualAmp>();
        amp->versionByte = versionByte;
        backend->peer = [this](const amp::Bytes &m) {
            for (auto &reply : amp->receive(m))
                backend->inject(reply);
        };
    }

    QString iniPath() const { return dir.filePath(QStringLiteral("quorvex.INI")); }
    void writeIni(const QByteArray &text)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // A file in the fixture's folder; returns its full path.
    QString put(const QString &name, const std::vector<std::uint8_t> &bytes) const
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        return path;
    }
    QByteArray bytesOf(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray iniText() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The start-up sequence runs only when a test calls startOnFirstActivation.
    MainWindow &make(const QStringList &arguments = {}, const QString &ini = {},
                     std::unique_ptr<SingleInstance> instance = {})
    {
        auto b = std::make_unique<LoopbackBackend>();
        b->inputs = {QStringLiteral("In A"), QStringLiteral("In B")};
        b->outputs = {QStringLiteral("Out A"), QStringLiteral("Out B")};
        backend = b.get();
        auto p = std::make_unique<ScriptedPrompter>();
        prompter = p.get();
        MainWindow::Options o;
        o.backend = std::move(b);
        o.prompter = std::move(p);
        o.iniPath = ini.isEmpty() ? iniPath() : ini;
        o.libraryIndex = dir.filePath(QStringLiteral("library.sqlite"));
        o.instance = std::move(instance);
        o.arguments = arguments;
        o.recoveryFolder = dir.filePath(QStringLiteral("recovery"));
        o.autoStart = false;
        w = std::make_unique<MainWindow>(std::move(o));
        return *w;
    }
    // Shown without running the start-up sequence.
    MainWindow &show()
    {
        w->show();
        QTest::qWait(0);
        return *w;
    }
    QStringList sentCommands() const
    {
        QStringList c;
        for (const auto &m : backend->sent)
            c << QString::number(m.size() > 6 ? m[6] : -1);
        return c;
    }
};

template <class T>
T *child(QObject &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return c;
}
QAction *act(QObject &w, const char *name)
{
    return child<QAction>(w, name);
}

// How many handlers an action's triggered signal has beyond what the menus
// and tool bars holding it connect themselves. QObject keeps the count to
// itself, but a pointer to its member may be taken through a derived class.
struct Receivers : QObject {
    static int of(const QObject *o) { return (o->*(&Receivers::receivers))(SIGNAL(triggered(bool))); }
    static int handlers(QAction *a)
    {
        QAction probe;
        for (QObject *holder : a->associatedObjects())
            if (auto *w = qobject_cast<QWidget *>(holder);
                w && (qobject_cast<QMenu *>(w) || qobject_cast<QToolBar *>(w)))
                w->addAction(&probe);
        const int own = of(a) - of(&probe);
        for (QObject *holder : probe.associatedObjects())
            if (auto *w = qobject_cast<QWidget *>(holder))
                w->removeAction(&probe);
        return own;
    }
};

QStringList menuText(const QMenu *menu)
{
    QStringList items;
    for (const QAction *a : menu->actions()) {
        QString t = a->isSeparator() ? QStringLiteral("-") : a->text();
        if (!a->shortcut().isEmpty())
            t += QLatin1Char('\t') + a->shortcut().toString();
        items << t;
    }
    return items;
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT

    // Runs body while a timer closes whatever modal window it opens; returns
    // the class of that window.
    template <class F>
    static QString withModal(F body)
    {
        QString seen = QStringLiteral("none");
        const auto look = whenModal([&seen](QWidget *modal) {
            seen = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        });
        body();
        return seen;
    }

    // Runs `look` on the modal window once one is up. The timer dies with the
    // caller's scope: when no window came, a bare single-shot would fire in a
    // later test, into variables that are gone.
    [[nodiscard]] static std::unique_ptr<QTimer> whenModal(std::function<void(QWidget *)> look)
    {
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, [look = std::move(look)] {
            if (QWidget *modal = QApplication::activeModalWidget())
                look(modal);
        });
        timer->start(0);
        return timer;
    }

private slots:
    void menusAndToolBar()
    {
        Fixture f;
        MainWindow &w = f.make();
        QCOMPARE(menuText(child<QMenu>(w, "File1")),
                 (QStringList{"&Open\tCtrl+O", "&Import Single to Tab", "-", "&New Preset", "New &Group", "-", "In&fo",
                              "-", "&Save\tF2", "Save &As", "Save &Back (original path)", "Save Current &Tab", "-",
                              "E&xit\tAlt+X"}));
        QCOMPARE(
            menuText(child<QMenu>(w, "View1")),
            (QStringList{"&File List", "&Tool Bar", "-", "&MIDI Port Select\tCtrl+M", "&Global Window\tCtrl+G",
                         "&Library\tCtrl+L", "S&etlist\tCtrl+Shift+L", "&Amp\tCtrl+Shift+A", "-",
                         "&Default View\tCtrl+D", "A&uto Split", "-", "&Refresh File List\tF5", "-", "E&nter Tuner"}));
        QCOMPARE(menuText(child<QMenu>(w, "Transfer1")),
                 (QStringList{"&Preset from Amp", "&Group from Amp", "-", "Preset &to Amp", "Group t&o Amp", "-",
                              "&Sync with Amp", "&Editor data to Amp", "&Check the Amp", "-",
                              "&Back Up Amp Before Writing", "&Restore Amp Backup..."}));
        const QStringList bank{"A1", "A2", "A3", "A4", "-", "B1", "B2", "B3", "B4", "-",
                               "C1", "C2", "C3", "C4", "-", "D1", "D2", "D3", "D4"};
        QCOMPARE(menuText(child<QMenu>(w, "PresetfromAmp1")), bank);
        QCOMPARE(menuText(child<QMenu>(w, "PresettoAmp1")), bank);
        QCOMPARE(child<QMenu>(w, "PresetfromAmp1")->actions()[7]->objectName(), QStringLiteral("NB31"));
        QCOMPARE(child<QMenu>(w, "PresettoAmp1")->actions().last()->objectName(), QStringLiteral("D41"));
        QCOMPARE(menuText(child<QMenu>(w, "Help1")), QStringList{"&About"});

        // Alt+F opens "File", and so on.
        QStringList titles;
        for (QAction *a : w.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&File", "&Edit", "&View", "&Transfer", "&Help"}));

        for (QAction *a : {act(w, "ImportSingletoTab"), act(w, "InfoMain"), act(w, "SaveBack"),
                           act(w, "SaveCurrentTab1"), act(w, "GrouptoAmp")})
            QVERIFY2(!a->isEnabled(), qPrintable(a->text()));

        QStringList tools;
        for (QAction *a : child<QToolBar>(w, "ToolBar1")->actions())
            tools << (a->isSeparator() ? QStringLiteral("-") : a->toolTip());
        QCOMPARE(tools, (QStringList{"File: Open", "File: Save", "-", "View: MIDI Port Select", "View: Global Window",
                                     "View: Default View", "-", "Transfer: Editor Data to Amp", "Enter Tuner", "-",
                                     "Compare: play the stored preset instead of the edited one"}));
        for (QAction *a : child<QToolBar>(w, "ToolBar1")->actions()) {
            if (a->isSeparator())
                continue;
            QVERIFY(!a->icon().isNull());
            QCOMPARE(child<QToolBar>(w, "ToolBar1")->widgetForAction(a)->width(), 25);
        }
        QVERIFY(!w.windowIcon().isNull());
    }

    void shortcutsAreUnambiguous()
    {
        // Two commands with one key in one window: Qt reports an ambiguous
        // shortcut and runs neither.
        Fixture f;
        MainWindow &w = f.make();
        for (const char *opens : {"Library1", "Setlist", "AmpWindow", "History1"})
            act(w, opens)->trigger();
        GlobalsWindow globals(w.session().globals(), w.session().queue(), QString(), &w);

        // The window a shortcut listens in; a menu's keys are its window's.
        auto windowOf = [](QObject *o) -> QWidget * {
            for (QObject *p = o->parent(); p; p = p->parent())
                if (auto *widget = qobject_cast<QWidget *>(p);
                    widget && widget->isWindow() && !qobject_cast<QMenu *>(p))
                    return widget;
            return nullptr;
        };
        QHash<QWidget *, QHash<QString, QString>> owners; // window: key -> what it runs
        auto take = [&](QObject *o, Qt::ShortcutContext context, const QList<QKeySequence> &keys) {
            if (context == Qt::WidgetShortcut || context == Qt::WidgetWithChildrenShortcut)
                return;
            QWidget *window = windowOf(o);
            const QString who =
                o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : o->objectName();
            for (const QKeySequence &key : keys) {
                QString &owner = owners[window][key.toString(QKeySequence::PortableText)];
                QVERIFY2(
                    owner.isEmpty(),
                    qPrintable(QStringLiteral("%1 in %2: %3 and %4")
                                   .arg(key.toString(), window ? window->metaObject()->className() : "-", owner, who)));
                owner = who;
            }
        };
        QSet<QObject *> seen;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            for (QAction *a : top->findChildren<QAction *>())
                if (!seen.contains(a)) {
                    seen.insert(a);
                    take(a, a->shortcutContext(), a->shortcuts());
                }
            for (QShortcut *sc : top->findChildren<QShortcut *>())
                if (!seen.contains(sc)) {
                    seen.insert(sc);
                    take(sc, sc->context(), sc->keys());
                }
        }

        // The desktop's keys reach the main window's commands, beside its own.
        const QHash<QString, QString> &main = owners[&w];
        const std::pair<const char *, const char *> keys[] = {
            {"Ctrl+O", "Open1"}, {"Ctrl+S", "Save1"}, {"F2", "Save1"},           {"Ctrl+Q", "Exit1"},
            {"Alt+X", "Exit1"},  {"Ctrl+Z", "Undo1"}, {"Ctrl+Shift+Z", "Redo1"}, {"Ctrl+Y", "Redo1"}};
        for (const auto &[key, id] : keys)
            QCOMPARE(main.value(QLatin1String(key)), QLatin1String(id));
        QCOMPARE(owners[&globals].value(QStringLiteral("Ctrl+O")), QStringLiteral("Open1"));
    }

    void smallestWindowCutsNoStatus()
    {
        Fixture f;
        MainWindow &w = f.make();
        f.show();
        auto *link = w.findChild<LinkStatus *>(QStringLiteral("StatusLink"));
        link->setVirtualAmp(true);
        link->setFirmware(QStringLiteral("Amp not answering"));
        link->setSyncOffered(true);
        link->LabelIn->setText(QStringLiteral("np-01:Quorvex Virtual Amp Out, a device with a long name"));
        w.findChild<QLabel *>(QStringLiteral("StatusMessage"))
            ->setText(QStringLiteral("Not undone: the Amp has not answered yet"));
        // A large desktop font (or a longer translation) makes the status
        // bar wider than the editor needs.
        QFont large = w.statusBar()->font();
        large.setPixelSize(30);
        w.statusBar()->setFont(large);
        w.resize(1, 1);
        QApplication::processEvents();
        QCOMPARE(w.size(), w.minimumSize());
        for (QLabel *label : w.statusBar()->findChildren<QLabel *>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            // Shortened text says so and tells the whole on hovering.
            if (auto *elided = qobject_cast<ElidedLabel *>(label)) {
                const QString shown = elided->shownText();
                QVERIFY2(shown == label->text() || (shown.contains(QChar(0x2026)) && shown.size() > 3),
                         qPrintable(shown));
                continue;
            }
            QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(label->text()));
        }
    }

    void everyEnabledItemHasACommand()
    {
        Fixture f;
        MainWindow &w = f.make();
        auto check = [&w](const char *when) {
            for (QAction *a : w.findChildren<QAction *>()) {
                if (a->isSeparator() || a->menu() || !a->isEnabled() || a->text().isEmpty())
                    continue;
                // The window's own items and the panel's commands alike.
                QVERIFY2(Receivers::handlers(a) > 0,
                         qPrintable(QStringLiteral("%1 (%2) does nothing, %3").arg(a->text(), a->objectName(), when)));
            }
        };
        check("at start");
        w.session().editor().setView(PresetEditor::View::Group);
        w.session().document().setTitle(QStringLiteral("/data/x.syx"));
        w.session().document().setSaveElsewhere(true);
        check("in group view with a file");
        // And the items that do work are reachable.
        for (const char *name :
             {"New1", "NewGroup1", "Exit1", "FileListView", "ToolbarView", "MIDIPortSelect1", "DefaultView1",
              "AutoSplit", "EditordatatoAmp1", "About1", "ToolButtonMIDI", "ToolButtonDefaultView",
              "ToolButtonSendEdits", "GlobalWindow1", "ToolButtonGlobal", "EnterTuner1", "ToolButtonTuner"})
            QVERIFY2(act(w, name)->isEnabled(), name);
    }

    void defaultsWithoutIni()
    {
        Fixture f;
        f.make();
        MainWindow &w = f.show();
        QCOMPARE(shownTitle(w), QStringLiteral("untitled - Quorvex"));
        QCOMPARE(w.session().document().applicationTitle(), QStringLiteral("Quorvex"));
        QVERIFY(act(w, "ToolbarView")->isChecked());
        QVERIFY(child<QToolBar>(w, "ToolBar1")->isVisible());
        QVERIFY(!act(w, "AutoSplit")->isChecked());
        QVERIFY(act(w, "FileListView")->isChecked());
        QCOMPARE(w.session().link().midiIn().port(), -1);
        QCOMPARE(w.session().link().midiOut().port(), -1);
        QCOMPARE(w.size(), w.designSize());
        QCOMPARE(w.designSize().width(), MainWindow::ClientWidth);
        QVERIFY(!w.isMaximized());
        QCOMPARE(w.panelWidth(), 219);
        QCOMPARE(w.session().document().workingDirectory(), QDir::currentPath());
        QCOMPARE(child<QLabel>(w, "LabelList")->text(), QDir::currentPath());
        // The sixteen group tabs sit in one row at the design size.
        w.session().editor().setView(PresetEditor::View::Group);
        QCOMPARE(w.editorPanel().presetTabs->rowCount(), 1);
    }

    void iniApplied()
    {
        Fixture f;
        QTemporaryDir data;
        f.writeIni("[Form]\nViewToolBar=0\nAutoSplit=0\nMIDIInPort=1\nMIDIOutPort=0x1\nHeight=500\nWidth=0x2BC\n"
                   "State=0\nSplit=150\nDataDir=" +
                   data.path().toUtf8() + "\n");
        f.make();
        MainWindow &w = f.show();
        QVERIFY(!act(w, "ToolbarView")->isChecked());
        QVERIFY(!child<QToolBar>(w, "ToolBar1")->isVisible());
        QCOMPARE(w.session().link().midiIn().port(), 1);
        QCOMPARE(w.session().link().midiOut().port(), 1);
        QVERIFY(!w.session().link().midiIn().isEnabled()); // opened at first activation, not before
        QCOMPARE(w.size(), QSize(700, 500));
        QCOMPARE(w.panelWidth(), 150);
        QCOMPARE(w.session().document().workingDirectory(), data.path());
        QCOMPARE(child<QLabel>(w, "LabelList")->text(), data.path());
    }

    // Sizes from a damaged or hand-edited file: the window stays on the
    // screen and the file list inside the window, and so they are stored.
    void iniGeometryOffTheScreen_data()
    {
        QTest::addColumn<QByteArray>("values");
        QTest::newRow("larger than any screen")
            << QByteArray("Width=2147483647\nHeight=2147483647\nSplit=2147483647\n");
        QTest::newRow("negative") << QByteArray("Width=-100\nHeight=-1\nSplit=-100\n");
        QTest::newRow("maximised") << QByteArray("State=2\nWidth=99999\nHeight=99999\n");
    }
    void iniGeometryOffTheScreen()
    {
        QFETCH(QByteArray, values);
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=1\n" + values);
        f.make();
        MainWindow &w = f.show();
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QVERIFY2(w.width() <= screen.width() && w.height() <= screen.height(),
                 qPrintable(QStringLiteral("%1x%2").arg(w.width()).arg(w.height())));
        QVERIFY(w.width() > 0 && w.height() > 0);
        QVERIFY(w.panelWidth() >= 80 && w.panelWidth() <= std::max(80, w.width() - 521));
        QVERIFY(w.close());
        const FormSettings stored = Settings(f.iniPath()).read(FormSettings());
        QVERIFY(stored.width <= screen.width() && stored.height <= screen.height());
        QVERIFY(stored.split <= std::max(80, stored.width - 521));
    }

    void dataDirThatCannotBeEntered()
    {
        Fixture f;
        f.writeIni("[Form]\nDataDir=/nonexistent/presets\n");
        f.make();
        QCOMPARE(f.w->session().document().workingDirectory(), QDir::currentPath());
        QCOMPARE(child<QLabel>(*f.w, "LabelList")->text(), QDir::currentPath());
        QVERIFY(f.prompter->shown.isEmpty());
    }

    void maximisedStartAndClose()
    {
        Fixture f;
        f.writeIni("[Form]\nState=2\nWidth=700\nHeight=500\nMIDIInPort=0\nMIDIOutPort=1\n");
        f.make();
        MainWindow &w = f.show();
        QVERIFY(w.isMaximized());
        QVERIFY(w.size() != QSize(700, 500));
        QVERIFY(w.close());
        const QByteArray ini = f.iniText();
        // Maximised it was, and maximised it opens again.
        QVERIFY2(ini.contains("\nState=2\nHeight=500\nWidth=700\n"), ini.constData());
        QVERIFY(ini.contains("MIDIInPort=0\nMIDIOutPort=1\n"));
        QVERIFY(ini.contains("MIDIInName=In A\nMIDIOutName=Out B\n"));
    }

    void minimisedCloseOpensNormally()
    {
        // A window closed minimised would start minimised, its port window
        // and questions out of sight.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=1\n");
        f.make();
        MainWindow &w = f.show();
        w.setWindowState(Qt::WindowMinimized);
        QVERIFY(w.close());
        QVERIFY2(f.iniText().contains("\nState=0\n"), f.iniText().constData());
    }

    void titleOperation()
    {
        Fixture f;
        MainWindow &w = f.make();
        Document &doc = w.session().document();
        QVERIFY(!act(w, "InfoMain")->isEnabled());
        doc.setTitle(QStringLiteral("/data/amp/lead.syx"));
        QCOMPARE(shownTitle(w), QStringLiteral("/data/amp/lead.syx - Quorvex"));
        QCOMPARE(w.windowIconText(), QStringLiteral("lead.syx - Quorvex"));
        doc.setTitle(QStringLiteral("Amp Preset"));
        QCOMPARE(shownTitle(w), QStringLiteral("Amp Preset - Quorvex"));
        doc.setTitle(QStringLiteral("untitled"));
        QVERIFY(!act(w, "InfoMain")->isEnabled());
        // Unsaved work is marked the desktop's way.
        QVERIFY(!w.isWindowModified());
        w.session().editor().startHistory(true);
        QVERIFY(w.isWindowModified());
        QCOMPARE(w.windowTitle(), QStringLiteral("untitled[*] - Quorvex"));
        w.session().editor().startHistory(false);
        QVERIFY(!w.isWindowModified());

        // The error box is captioned with the application title.
        doc.setTitle(QStringLiteral("/data/amp/lead.syx"));
        w.session().run([] { throw QuorvexError(QStringLiteral("Not a preset file")); });
        QCOMPARE(f.prompter->shown.size(), 1);
        QCOMPARE(f.prompter->shown[0].caption, QStringLiteral("lead.syx - Quorvex"));
        QCOMPARE(f.prompter->shown[0].text, QStringLiteral("Not a preset file."));
        QCOMPARE(f.prompter->shown[0].icon, Prompter::Icon::Error);
    }

    void views()
    {
        Fixture f;
        f.make();
        MainWindow &w = f.show();
        const int h = w.height();

        w.resize(600, h);
        act(w, "AutoSplit")->trigger();
        QVERIFY(act(w, "AutoSplit")->isChecked());
        QCOMPARE(w.panelWidth(), 80); // 600 - 521 - 18 = 61 is below the minimum
        // While on, every resize splits again.
        w.resize(900, h);
        QTRY_COMPARE(w.panelWidth(), 900 - 521 - 18);
        // Off: the panel keeps its width.
        act(w, "AutoSplit")->trigger();
        QVERIFY(!act(w, "AutoSplit")->isChecked());
        w.resize(1000, h);
        QTest::qWait(0);
        QCOMPARE(w.panelWidth(), 361);

        // A splitter dragged onto its minimum is moved off it.
        w.setPanelWidth(80);
        QCOMPARE(w.panelWidth(), 80);
        w.splitterMoved(80, 1);
        QCOMPARE(w.panelWidth(), 81);
        w.setPanelWidth(120);
        w.splitterMoved(120, 1);
        QCOMPARE(w.panelWidth(), 120);

        // Hiding the file list and the tool bar, then Default View.
        act(w, "FileListView")->trigger();
        QVERIFY(!act(w, "FileListView")->isChecked());
        QVERIFY(!child<QWidget>(w, "PanelList")->isVisible());
        QVERIFY(child<QGroupBox>(w, "GroupBox1")->isVisible());
        act(w, "ToolbarView")->trigger();
        QVERIFY(!child<QToolBar>(w, "ToolBar1")->isVisible());
        act(w, "DefaultView1")->trigger();
        QVERIFY(act(w, "FileListView")->isChecked());
        QVERIFY(child<QWidget>(w, "PanelList")->isVisible());
        QVERIFY(act(w, "ToolbarView")->isChecked());
        QVERIFY(child<QToolBar>(w, "ToolBar1")->isVisible());
        QTRY_COMPARE(w.size(), w.designSize());
        QCOMPARE(w.panelWidth(), 219);

        // File List off and on again keeps the width.
        act(w, "FileListView")->trigger();
        act(w, "FileListView")->trigger();
        QTest::qWait(0);
        QCOMPARE(w.panelWidth(), 219);
    }

    void autoSplitStoredOn()
    {
        Fixture f;
        f.writeIni("[Form]\nAutoSplit=1\nWidth=780\nSplit=150\n");
        f.make();
        MainWindow &w = f.show();
        QVERIFY(act(w, "AutoSplit")->isChecked());
        QTRY_COMPARE(w.panelWidth(), 780 - 521 - 18);
    }

    void closeQuery()
    {
        Fixture f;
        f.make();
        MainWindow &w = f.show();
        w.session().editor().startHistory(true);

        f.prompter->answers = {Button::Cancel};
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(!QFile::exists(f.iniPath()));
        QCOMPARE(f.prompter->shown.size(), 1);
        QCOMPARE(f.prompter->shown[0].caption, QStringLiteral("Quorvex"));
        QCOMPARE(f.prompter->shown[0].text, QStringLiteral("Save Changes?"));
        QCOMPARE(f.prompter->shown[0].icon, Prompter::Icon::Question);

        // Yes, and the Save As dialog cancelled: the window stays with its edits.
        f.prompter->answers = {Button::Yes};
        f.prompter->fileNames = {QString()};
        QVERIFY(!w.close());
        QVERIFY(w.session().document().isModified());
        QVERIFY(!QFile::exists(f.iniPath()));

        f.prompter->answers = {Button::No};
        w.session().link().midiIn().setPort(0);
        w.session().link().midiIn().setEnabled(true);
        QVERIFY(w.close());
        QVERIFY(!w.session().link().midiIn().isEnabled()); // ports closed
        QCOMPARE(f.backend->openInputIndex(), -1);
        QVERIFY(f.iniText().startsWith("[Form]\nViewToolBar=1\nAutoSplit=0\nMIDIInPort=0\n"));
        QCOMPARE(f.prompter->unexpected, 0);
    }

    void closeWithoutChangesAsksNothing()
    {
        // Unmodified, with a port open: nothing is asked, the window closes,
        // the ports close and the settings are written.
        Fixture f;
        f.make();
        MainWindow &w = f.show();
        w.session().link().midiOut().setPort(1);
        w.session().link().midiOut().setEnabled(true);
        QVERIFY(!w.session().document().isModified());
        QVERIFY(w.close());
        QVERIFY(f.prompter->shown.isEmpty());
        QVERIFY(!w.isVisible());
        QCOMPARE(f.backend->openOutputIndex(), -1);
        QVERIFY(f.iniText().contains("MIDIOutPort=1\n"));
    }

    void settingsCannotBeSaved()
    {
        Fixture f;
        f.writeIni("not a folder");
        f.make({}, f.iniPath() + QStringLiteral("/quorvex.INI"));
        MainWindow &w = f.show();
        QVERIFY(w.close()); // the program still ends
        QCOMPARE(f.prompter->shown.size(), 1);
        QCOMPARE(f.prompter->shown[0].caption, QStringLiteral("Quorvex"));
        QCOMPARE(f.prompter->shown[0].text, QStringLiteral("Could not save program settings."));
    }

    void firstActivationOpensPortsAndSendsDefaults()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=1\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.session().editor().image().group.fill(0);
        w.startOnFirstActivation();
        QVERIFY(w.session().link().midiIn().isEnabled());
        QVERIFY(w.session().link().midiOut().isEnabled());
        QCOMPARE(f.backend->openInputIndex(), 1);
        QCOMPARE(f.backend->openOutputIndex(), 0);
        QCOMPARE(w.session().editor().view(), PresetEditor::View::Single);
        // Both ports open: the sync looks for the Amp (tuner off, channel,
        // identify); cancelled, the default presets go out as the editor data.
        QCOMPARE(f.syncTexts, QStringList{QStringLiteral("Amp not found - will work in offline mode")});
        QCOMPARE(w.session().editor().image().record(0)[preset::DLTime], preset::DefaultRecord[preset::DLTime]);
        QCOMPARE(f.sentCommands(), (QStringList{"22", "20", "2", QString::number(amp::SinglePreset)}));
        QVERIFY(f.prompter->shown.isEmpty());
        QVERIFY(!w.session().sync().startedWithFile());
        QCOMPARE(w.session().transfers().state(), TransferState::Idle);

        // Only once.
        w.startOnFirstActivation();
        QCOMPARE(f.backend->sent.size(), 4u);
        QCOMPARE(f.syncTexts.size(), 1);
    }

    void portThatCannotBeOpened()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=1\n");
        MainWindow &w = f.make();
        f.backend->unavailableOutputs = {1};
        w.startOnFirstActivation();
        QVERIFY(w.session().link().midiIn().isEnabled());
        QVERIFY(!w.session().link().midiOut().isEnabled());
        QCOMPARE(w.session().link().midiOut().port(), 1);
        QCOMPARE(f.prompter->shown.size(), 1);
        QCOMPARE(f.prompter->shown[0].caption, QStringLiteral("MIDI Error"));
        QCOMPARE(f.prompter->shown[0].text, QStringLiteral("The out port is not available."));
    }

    void noPortChosenShowsThePortWindow()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\n");
        MainWindow &w = f.make();
        const QString modal = withModal([&] { w.startOnFirstActivation(); });
        QCOMPARE(modal, QStringLiteral("MidiPortsDialog"));
        // The input that was chosen is open all the same; no "MIDI Error".
        QVERIFY(w.session().link().midiIn().isEnabled());
        QVERIFY(f.prompter->shown.isEmpty());

        // View "MIDI Port Select" and the tool button open it too.
        QCOMPARE(withModal([&] { act(w, "MIDIPortSelect1")->trigger(); }), QStringLiteral("MidiPortsDialog"));
        QCOMPARE(withModal([&] { act(w, "ToolButtonMIDI")->trigger(); }), QStringLiteral("MidiPortsDialog"));
    }

    void commandLineFile()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        preset::Record r = preset::DefaultRecord;
        r[preset::PreGain] = 30;
        const QString path = f.put(QStringLiteral("data/my lead.syx"), amp::singlePreset(r));
        // The shell split the name at its space.
        MainWindow &w = f.make(path.split(QLatin1Char(' ')));
        w.startOnFirstActivation();
        QCOMPARE(shownTitle(w), path + QStringLiteral(" - Quorvex"));
        const Document &doc = w.session().document();
        QCOMPARE(doc.fileName(), QStringLiteral("my lead.syx"));
        QCOMPARE(doc.originDirectory(), f.dir.filePath(QStringLiteral("data")));
        QVERIFY(doc.saveElsewhere()); // not the list's directory
        QVERIFY(act(w, "SaveBack")->isEnabled());
        // The flag served the start-up sync and ends with it.
        QVERIFY(!w.session().sync().startedWithFile());
        QVERIFY(std::equal(r.begin(), r.end(), w.session().editor().image().record(0).begin()));
        // The file's preset goes to the Amp, then the sync; no defaults after it.
        QCOMPARE(f.backend->sent.front(), amp::singlePreset(r));
        QCOMPARE(f.sentCommands(), (QStringList{"9", "22", "20", "2"}));
    }

    void commandLineGlobalFile()
    {
        // Not loaded (a global file, not opened): the default presets.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        std::array<std::uint8_t, preset::GlobalSize> globals{};
        MainWindow &w = f.make({f.put(QStringLiteral("globals.syx"), amp::globals(globals))});
        f.prompter->answers = {Button::No};
        w.startOnFirstActivation();
        QCOMPARE(f.prompter->texts(), QStringList{QStringLiteral("This is a Global File. Open it?")});
        QVERIFY(!w.session().sync().startedWithFile());
        QCOMPARE(shownTitle(w), QStringLiteral("untitled - Quorvex"));
        QCOMPARE(f.sentCommands(), (QStringList{"9", "22", "20", "2"}));
    }

    void commandLineFileFails()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        const QString path = f.put(QStringLiteral("broken.syx"), {0xF0, 0x01, 0x20, 0x4F, 0x10, 0x00, 0x09, 0x00});
        MainWindow &w = f.make({path});
        w.startOnFirstActivation();
        QCOMPARE(f.prompter->texts(),
                 QStringList{QStringLiteral("Incorrect Header:\nF0 01 20 4F 10 00 09\n") + path + QLatin1Char('.')});
        QCOMPARE(f.prompter->shown[0].caption, QStringLiteral("Quorvex"));
        QVERIFY(!w.session().sync().startedWithFile());
        QVERIFY(f.backend->sent.empty());
    }

    void handOverToTheRunningWindow()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\nDataDir=" + f.dir.path().toUtf8() + "\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        f.prompter->shown.clear();
        w.session().editor().startHistory(true);
        preset::Record r = preset::DefaultRecord;
        r[preset::Mid] = 5;
        const QString path = f.put(QStringLiteral("a b.syx"), amp::singlePreset(r));

        // Taken in, then opened from the queue: nothing is asked on the spot.
        f.prompter->answers = {Button::Cancel};
        w.handOver(QLatin1Char('"') + path + QLatin1Char('"'));
        QVERIFY(f.prompter->shown.isEmpty());
        w.session().queue().runPending();
        QVERIFY(w.session().document().isModified());
        QCOMPARE(f.prompter->texts(), QStringList{QStringLiteral("Save Changes?")});

        // Quotes around the whole name go, those inside it stay; the file
        // lies in the list's folder.
        const QString quoted = f.put(QStringLiteral("a \"b\".syx"), amp::singlePreset(r));
        f.prompter->answers = {Button::No};
        w.handOver(QLatin1Char('"') + quoted + QLatin1Char('"'));
        w.session().queue().runPending();
        const Document &doc = w.session().document();
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.fileName(), QStringLiteral("a \"b\".syx"));
        QCOMPARE(shownTitle(w), quoted + QStringLiteral(" - Quorvex"));
        QVERIFY(!doc.saveElsewhere());
        QVERIFY(!act(w, "SaveBack")->isEnabled());
        QCOMPARE(doc.workingDirectory(), f.dir.path()); // the list does not move
        QVERIFY(std::equal(r.begin(), r.end(), w.session().editor().image().record(0).begin()));

        // A megabyte of text names no file: refused, told in a box of a few
        // lines, and the document stays.
        f.prompter->shown.clear();
        w.handOver(QLatin1Char('/') + QString(1 << 20, QLatin1Char('x')));
        QVERIFY(f.prompter->shown.isEmpty());
        w.session().queue().runPending();
        QCOMPARE(f.prompter->shown.size(), 1);
        QVERIFY(f.prompter->shown[0].text.startsWith(QStringLiteral("The command line is too long")));
        QVERIFY(f.prompter->shown[0].text.size() < 400);
        QCOMPARE(doc.fileName(), QStringLiteral("a \"b\".syx"));
        QCOMPARE(f.prompter->unexpected, 0);
    }

    void handOverDuringStartUp()
    {
        // Handed over before the start came to its file: taken as the file
        // the command line named; the sync leaves it in the editor.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        f.make();
        f.attachAmp(0x10);
        preset::Record r = preset::DefaultRecord;
        r[preset::Mid] = 9;
        const QString path = f.put(QStringLiteral("handed.syx"), amp::singlePreset(r));
        f.w->handOver(path);
        f.w->startOnFirstActivation();
        f.backend->flush();
        QCOMPARE(shownTitle(*f.w), path + QStringLiteral(" - Quorvex"));
        QCOMPARE(f.w->session().editor().image().record(0)[preset::Mid], 9);
        QVERIFY(!f.w->session().document().isModified());
        QCOMPARE(f.syncTexts, QStringList{QStringLiteral("Found Amp - Version 2.0")});

        // Handed over while the sync dialog is open: opened once the start
        // has ended and the Amp has answered, not inside the dialog.
        Fixture g;
        g.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        g.make();
        g.attachAmp(0x10);
        const QString late = g.put(QStringLiteral("late.syx"), amp::singlePreset(r));
        const auto handOver = whenModal([&](QWidget *modal) {
            if (qobject_cast<SyncDialog *>(modal))
                g.w->handOver(late);
        });
        g.w->startOnFirstActivation();
        QTRY_COMPARE(shownTitle(*g.w), late + QStringLiteral(" - Quorvex"));
        QCOMPARE(g.w->session().editor().image().record(0)[preset::Mid], 9);
        QCOMPARE(g.prompter->unexpected, 0);
    }

    void handOverWhileThePortWindowIsOpen()
    {
        // Taken as the command line's file: its preset, under its name, and
        // Save writes that preset back, not the default presets.
        Fixture f;
        f.writeIni("[Form]\nDataDir=" + f.dir.path().toUtf8() + "\n"); // no ports: the port window
        MainWindow &w = f.make();
        preset::Record r = preset::DefaultRecord;
        r[preset::Mid] = 4;
        const QString path = f.put(QStringLiteral("handed.syx"), amp::singlePreset(r));
        const auto handOver = whenModal([&](QWidget *modal) {
            if (qobject_cast<MidiPortsDialog *>(modal)) {
                w.handOver(path);
                modal->close();
            }
        });
        w.startOnFirstActivation();
        QCOMPARE(shownTitle(w), path + QStringLiteral(" - Quorvex"));
        QCOMPARE(w.session().editor().record()[preset::Mid], 4);
        w.session().editor().editByte(preset::PreGain, 9);
        r[preset::PreGain] = 9;
        act(w, "Save1")->trigger();
        const amp::Bytes saved = amp::singlePreset(r);
        QCOMPARE(f.bytesOf(path), QByteArray(reinterpret_cast<const char *>(saved.data()), qsizetype(saved.size())));
        QCOMPARE(f.prompter->unexpected, 0);
    }

    void groupFileAfterASyncThatFoundNothing_data()
    {
        QTest::addColumn<bool>("fetchAnswered"); // the Amp's preset after the find
        QTest::newRow("fetched") << true;
        QTest::newRow("fetch timed out") << false;
    }

    void groupFileAfterASyncThatFoundNothing()
    {
        // Started with a group file and the Amp off; then the Amp is on, Sync,
        // a knob, Save: the group file is not overwritten by one preset.
        QFETCH(bool, fetchAnswered);
        Fixture f;
        const amp::Bytes group = amp::groupDump(std::array<std::uint8_t, preset::GroupSize>{});
        const QString band = f.put(QStringLiteral("band.syx"), group);
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\nDataDir=" + f.dir.path().toUtf8() + "\n");
        MainWindow &w = f.make({band});
        w.startOnFirstActivation();
        QCOMPARE(f.syncTexts, QStringList{QStringLiteral("Amp not found - will work in offline mode")});
        QVERIFY(w.session().editor().isGroupView());

        f.attachAmp(0x10);
        if (!fetchAnswered) {
            auto answer = f.backend->peer;
            f.backend->peer = [answer](const amp::Bytes &m) {
                if (m.size() > 6 && m[6] != amp::CurrentPresetRequest)
                    answer(m);
            };
        }
        act(w, "SyncwithAmp1")->trigger();
        QTRY_COMPARE(f.syncTexts.size(), 2);
        f.backend->flush();
        if (!fetchAnswered)
            w.session().queue().runInput([&] { w.session().transfers().replyTimedOut(); });
        w.session().editor().editByte(preset::PreGain, 9);
        f.prompter->fileNames = {QString()}; // Save asks where: cancelled
        act(w, "Save1")->trigger();
        QCOMPARE(f.prompter->shown.last().kind, QStringLiteral("save"));
        QCOMPARE(f.bytesOf(band).size(), qsizetype(group.size()));
        QCOMPARE(shownTitle(w), QStringLiteral("Amp Preset - Quorvex"));
        QVERIFY(act(w, "SaveBack")->isEnabled());
    }

    void handOverThroughTheBus()
    {
        Fixture f;
        PrivateBus bus;
        QVERIFY(bus.isRunning());
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        const QString name = SingleInstance::defaultServerName();
        auto instance = std::make_unique<SingleInstance>(name, bus.connect(QStringLiteral("running")));
        QVERIFY(instance->listen());
        MainWindow &w = f.make({}, {}, std::move(instance));
        w.startOnFirstActivation();
        f.prompter->shown.clear();
        w.session().editor().startHistory(true);
        f.prompter->answers = {Button::No};
        const QString path = f.put(QStringLiteral("sub/x.syx"), amp::singlePreset(preset::DefaultRecord));

        std::atomic<bool> done{false};
        SingleInstance::Sent sent;
        const QDBusConnection second = bus.connect(QStringLiteral("second"));
        std::unique_ptr<QThread> start(QThread::create([&] {
            // A relative name, made absolute against the second start's folder.
            sent = SingleInstance::sendToRunning(name, {QStringLiteral("sub/x.syx")}, f.dir.path(), second);
            done = true;
        }));
        start->start();
        QTRY_VERIFY(done);
        start->wait();
        QVERIFY(sent.taken);
        QTRY_COMPARE(shownTitle(w), path + QStringLiteral(" - Quorvex"));
        QCOMPARE(f.prompter->texts(), QStringList{QStringLiteral("Save Changes?")});
        QVERIFY(w.isVisible()); // brought to the front
        f.w.reset();            // the window and its name go before the bus
    }

    void startOffersWorkACrashLeft()
    {
        // Restore: the work as it was, unsaved, under its file's name, and
        // the start-up sync keeps it without asking to save first.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        const QString path = f.put(QStringLiteral("lead.syx"), amp::singlePreset(preset::DefaultRecord));
        RecoveryState left;
        left.filePath = path;
        left.kind = Document::Kind::Single;
        left.title = path;
        left.presets = QByteArray(preset::GroupSize, '\0');
        std::copy(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), left.presets.begin());
        left.presets[preset::PreGain] = 25;
        left.lastChange = QDateTime::currentDateTimeUtc();
        QDir().mkpath(f.dir.filePath(QStringLiteral("recovery")));
        QFile copy(f.dir.filePath(QStringLiteral("recovery/1-2") + RecoveryCopy::Suffix));
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(left.toBytes());
        copy.close();

        MainWindow &w = f.make();
        f.prompter->answers = {Button::Yes};
        w.startOnFirstActivation();
        QVERIFY(!f.prompter->texts().isEmpty());
        QVERIFY2(
            f.prompter->texts()[0].startsWith(QStringLiteral("Quorvex ended without saving lead.syx (last change ")),
            qPrintable(f.prompter->texts()[0]));
        QVERIFY(!f.prompter->texts().join(QLatin1Char('|')).contains(QStringLiteral("Sync will reload")));
        QCOMPARE(shownTitle(w), path + QStringLiteral(" - Quorvex"));
        QVERIFY(w.isWindowModified());
        QCOMPARE(w.session().editor().record()[preset::PreGain], 25);
        // The old copy goes once this program's own holds the work.
        w.session().recovery().waitForWriter();
        QVERIFY(!copy.exists());
        QVERIFY(QFile::exists(w.session().recovery().path()));
    }

    void closingWithYesSavesTheEdits()
    {
        // Turn a knob, close, answer Yes, name the file: the presets are on disk.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.editorPanel().NxNumberKnobPre->PaintedOnce());
        w.editorPanel().NxNumberKnobPre->SetValue(30);
        QVERIFY(w.session().document().isModified());

        const QString target = f.dir.filePath(QStringLiteral("kept.syx"));
        f.prompter->answers = {Button::Yes};
        f.prompter->fileNames = {target};
        QVERIFY(w.close());
        QCOMPARE(f.prompter->texts().first(), QStringLiteral("Save Changes?"));
        QCOMPARE(f.prompter->shown.last().kind, QStringLiteral("save"));
        const amp::Bytes written = amp::singlePreset(w.session().editor().image().record(0));
        QCOMPARE(f.bytesOf(target),
                 QByteArray(reinterpret_cast<const char *>(written.data()), qsizetype(written.size())));
        QCOMPARE(w.session().editor().image().record(0)[preset::PreGain], 30);
    }

    void notesWindow()
    {
        Fixture f;
        f.writeIni("[Form]\nDataDir=" + f.dir.path().toUtf8() + "\n");
        MainWindow &w = f.make();
        QVERIFY(!act(w, "InfoMain")->isEnabled()); // untitled
        f.put(QStringLiteral("bass.syx"), amp::singlePreset(preset::DefaultRecord));
        w.session().files().openFromList(f.dir.filePath(QStringLiteral("bass.syx")));
        QVERIFY(act(w, "InfoMain")->isEnabled());

        // The timer runs after inForm has returned: it keeps its own copy.
        auto inForm = [&](const std::function<void(NotesDialog &)> &act) {
            QTimer::singleShot(0, [act] {
                if (auto *form = qobject_cast<NotesDialog *>(QApplication::activeModalWidget()))
                    act(*form);
            });
        };
        QString caption;
        inForm([&](NotesDialog &form) {
            caption = shownTitle(form);
            QVERIFY(form.MemoInfo->toPlainText().isEmpty());
            form.MemoInfo->setPlainText(QStringLiteral("Bridge pickup\nGain 7"));
            form.BitBtnSave->click();
        });
        act(w, "InfoMain")->trigger();
        QCOMPARE(caption, QStringLiteral("File Info for bass.syx"));
        QCOMPARE(f.bytesOf(f.dir.filePath(QStringLiteral("bass.txt"))), QByteArray("Bridge pickup\r\nGain 7"));

        // Cancel writes nothing.
        inForm([&](NotesDialog &form) {
            QCOMPARE(form.MemoInfo->toPlainText(), QStringLiteral("Bridge pickup\nGain 7"));
            form.MemoInfo->setPlainText(QStringLiteral("changed"));
            form.BitBtnCancel->click();
        });
        act(w, "InfoMain")->trigger();
        QCOMPARE(f.bytesOf(f.dir.filePath(QStringLiteral("bass.txt"))), QByteArray("Bridge pickup\r\nGain 7"));

        // Saved untouched, a note goes back byte for byte: spaces at both
        // ends, blank lines, a no-break space, the last line break.
        const QByteArray typed("  Neck pickup \r\n\r\n\r\n\tGain\xA0"
                               "7  \r\n");
        f.put(QStringLiteral("bass.txt"), std::vector<std::uint8_t>(typed.begin(), typed.end()));
        inForm([&](NotesDialog &form) { form.BitBtnSave->click(); });
        act(w, "InfoMain")->trigger();
        QCOMPARE(f.bytesOf(f.dir.filePath(QStringLiteral("bass.txt"))), typed);

        // A preset from the Amp has no file to keep a note beside.
        w.session().document().dropFile(QStringLiteral("Amp Preset"), true);
        QVERIFY(!act(w, "InfoMain")->isEnabled());
    }

    void droppedFileOpens()
    {
        Fixture f;
        MainWindow &w = f.make();
        const QString path = f.put(QStringLiteral("drop/Dropped.SYX"), amp::singlePreset(preset::DefaultRecord));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        QCOMPARE(shownTitle(w), path + QStringLiteral(" - Quorvex"));
        QCOMPARE(w.session().document().workingDirectory(), f.dir.filePath(QStringLiteral("drop")));

        QMimeData text;
        text.setUrls({QUrl::fromLocalFile(f.dir.filePath(QStringLiteral("notes.txt")))});
        QDragEnterEvent other(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        other.setAccepted(false);
        QApplication::sendEvent(&w, &other);
        QVERIFY(!other.isAccepted());
    }

    void fileListBesideTheEditor()
    {
        // The list shows the data folder; it opens, imports in group view,
        // follows saves and moves to the current file's folder.
        Fixture f;
        f.writeIni("[Form]\nDataDir=" + f.dir.path().toUtf8() + "\n");
        std::array<std::uint8_t, preset::GroupSize> group{};
        for (int slot = 0; slot < preset::SlotCount; ++slot)
            std::copy(preset::DefaultRecord.begin(), preset::DefaultRecord.end(),
                      group.begin() + slot * preset::RecordSize);
        f.put(QStringLiteral("Band.syx"), amp::groupDump(group));
        auto bright = preset::DefaultRecord;
        bright[preset::PreGain] = 20;
        f.put(QStringLiteral("Bright.syx"), amp::singlePreset(bright));
        MainWindow &w = f.make();
        auto *list = w.findChild<FileListPanel *>();
        QVERIFY(list);
        QCOMPARE(list->files(), (QStringList{QStringLiteral("Band.syx"), QStringLiteral("Bright.syx")}));
        QVERIFY(!list->importAction->isEnabled());

        QVERIFY(list->selectFile(QStringLiteral("Band.syx")));
        list->openFileAction->trigger();
        QVERIFY(w.session().editor().isGroupView());
        QVERIFY(list->importAction->isEnabled());
        QVERIFY(list->selectFile(QStringLiteral("Bright.syx")));
        list->importAction->trigger();
        QCOMPARE(w.session().editor().record()[preset::PreGain], 20);

        f.prompter->fileNames = {f.dir.filePath(QStringLiteral("Copy.syx"))};
        act(w, "SaveAs1")->trigger();
        QVERIFY(list->files().contains(QStringLiteral("Copy.syx")));

        // Saved into another folder: Save Back offered. The list moving there
        // on request makes it the list's file again: Save Back goes, and
        // Save writes the file without asking.
        QDir(f.dir.path()).mkdir(QStringLiteral("other"));
        const QString other = f.dir.filePath(QStringLiteral("other"));
        f.prompter->fileNames = {other + QStringLiteral("/Moved.syx")};
        act(w, "SaveAs1")->trigger();
        QVERIFY(act(w, "SaveBack")->isEnabled());
        list->usePathOfCurrentFileAction->trigger();
        QCOMPARE(list->directory(), other);
        QCOMPARE(list->files(), QStringList{QStringLiteral("Moved.syx")});
        QVERIFY(!act(w, "SaveBack")->isEnabled());
        f.prompter->shown.clear();
        act(w, "Save1")->trigger();
        QVERIFY(f.prompter->shown.isEmpty());
        QCOMPARE(f.bytesOf(other + QStringLiteral("/Moved.syx")).size(), 1000);

        list->resetPathFromIniAction->trigger();
        QCOMPARE(list->directory(), f.dir.path());
    }

    void midiLinkAcrossStarts()
    {
        // The input device is away this start; the rate comes from the INI.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=3\nMIDIInName=In Gone\nMIDIOutPort=1\nMIDIOutName=Out B\nMIDIOutRate=100\n");
        MainWindow &w = f.make();
        f.attachAmp(0x44);
        QCOMPARE(w.session().link().midiIn().port(), -1);
        QCOMPARE(w.session().link().midiOut().rate(), 100);
        auto *status = w.findChild<LinkStatus *>();
        QVERIFY(status);
        QCOMPARE(status->LabelIn->text(), QStringLiteral("MIDI In off"));

        // Paced at 100 bytes a second, three presets wait in the queue; the
        // clock moves as fast as the close waits.
        struct Clock : MidiOutPort::Clock {
            std::int64_t t = 0;
            std::int64_t now() override { return t; }
            void sleepUntil(std::int64_t time) override { t = std::max(t, time); }
        } clock;
        f.backend->pacing = true;
        MidiOutPort &out = w.session().link().midiOut();
        out.setClock(&clock);
        out.setRate(100);
        out.setEnabled(true);
        for (int i = 0; i < 3; ++i)
            w.session().editor().sendEditorData();
        QCOMPARE(f.backend->sent.size(), std::size_t(1));
        QCOMPARE(out.stats().queuedMessages, std::size_t(2));
        f.backend->linkNotifier().holdEnded(); // what was posted arrives now
        QVERIFY(status->LabelOut->text().contains(QStringLiteral("Out B")));
        QVERIFY(status->LEDOut->LEDOn());

        // Closing sends what is queued before the port closes (each 70-byte
        // message takes 0.7 s here: the two waiting fit in the 2 s given).
        QVERIFY(w.close());
        QCOMPARE(f.backend->sent.size(), std::size_t(3));
        QCOMPARE(out.stats().dropped, 0u);
        out.setClock(nullptr);
        // The absent device is still the choice for the next start.
        QVERIFY(f.iniText().contains("MIDIInPort=3\n"));
        QVERIFY(f.iniText().contains("MIDIInName=In Gone\n"));
        QVERIFY(f.iniText().contains("MIDIOutRate=100\n"));
        // Once it is listed again (the port window reads the lists afresh), it is chosen.
        f.backend->inputs << QStringLiteral("In Gone");
        w.session().link().midiIn().refreshDevices();
        QCOMPARE(w.session().link().midiIn().port(), 2);
    }

    void startUpSyncFindsTheAmp()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        f.attachAmp(0x44);
        f.amp->current[preset::PreGain] = 29;
        w.startOnFirstActivation();
        QTRY_COMPARE(f.syncTexts, QStringList{QStringLiteral("Found Amp - Version 1.4 G")});
        // The Amp's current preset, shown and titled as the Amp's.
        QTRY_COMPARE(w.session().editor().image().record(0)[preset::PreGain], 29);
        QCOMPARE(shownTitle(w), QStringLiteral("Amp Preset - Quorvex"));
        QVERIFY(w.session().link().isAmpFound());
        QCOMPARE(w.findChild<LinkStatus *>()->LabelAmp->text(), QStringLiteral("Amp 1.4 G"));
        // The lists lost the entries this firmware lacks, once and for the run.
        QCOMPARE(w.editorPanel().ComboBoxAmp->count(), 12);
        QVERIFY(!w.editorPanel().CheckBoxGCab->isEnabled());
        act(w, "SyncwithAmp1")->trigger();
        QTRY_COMPARE(f.syncTexts.size(), 2);
        QCOMPARE(w.editorPanel().ComboBoxAmp->count(), 12);

        // The Amp stops answering: the bar says so; once it is heard again
        // the bar offers a sync, and the offer runs one.
        LinkStatus &bar = *w.findChild<LinkStatus *>();
        // What the sync left waiting (its fetch of the Amp's preset) has run.
        QTRY_VERIFY(w.session().transfers().state() == TransferState::Idle && w.session().queue().pendingCount() == 0);
        f.backend->peer = nullptr;
        act(w, "GroupfromAmp1")->trigger();
        w.session().queue().runInput([&] { w.session().transfers().replyTimedOut(); });
        QCOMPARE(bar.LabelAmp->text(), QStringLiteral("Amp not answering"));
        QVERIFY(bar.LabelSync->isHidden());
        f.backend->inject(f.amp->turnKnob(preset::PreGain, 3));
        f.backend->flush();
        QCOMPARE(bar.LabelAmp->text(), QStringLiteral("Amp 1.4 G"));
        QVERIFY(!bar.LabelSync->isHidden());
        f.attachAmp(0x44);
        f.prompter->answers = {Button::No};
        emit bar.LabelSync->linkActivated(QStringLiteral("sync"));
        QTRY_COMPARE(f.syncTexts.size(), 3);
        QVERIFY(bar.LabelSync->isHidden());
    }

    void sysExReachesTheDispatcher()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        QCOMPARE(w.session().link().firmwareVersion(), 0x20);
        f.backend->inject(amp::identifyReply(0x05));
        f.backend->flush();
        QCOMPARE(w.session().link().firmwareVersion(), 0x15);
    }

    void newPresetAndNewGroup()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        EditorPanel &panel = w.editorPanel();
        QCOMPARE(panel.NxNumberKnobPre->GetValue(), 17.0f);
        f.backend->sent.clear();

        // Modified: Cancel leaves everything as it was.
        w.session().editor().image().record(0)[preset::PreGain] = 30;
        w.session().editor().startHistory(true);
        f.prompter->answers = {Button::Cancel};
        act(w, "NewGroup1")->trigger();
        QCOMPARE(w.session().editor().view(), PresetEditor::View::Single);
        QCOMPARE(w.session().editor().image().record(0)[preset::PreGain], 30);
        QVERIFY(f.backend->sent.empty());

        // No: sixteen default slots in group view on tab A1, sent once as the
        // editor data; nothing modified.
        w.session().document().setFile(QStringLiteral("/data/old.syx"), Document::Kind::Single);
        w.session().editor().image().record(15)[preset::DLTime] = 3;
        f.prompter->answers = {Button::No};
        act(w, "NewGroup1")->trigger();
        QCOMPARE(w.session().editor().view(), PresetEditor::View::Group);
        QVERIFY(panel.presetTabs->isVisible());
        QCOMPARE(panel.presetTabs->currentIndex(), 0);
        QVERIFY(act(w, "SaveCurrentTab1")->isEnabled() && act(w, "ImportSingletoTab")->isEnabled());
        QVERIFY(!w.session().document().isModified());
        QVERIFY(w.session().document().fileName().isEmpty());
        QCOMPARE(shownTitle(w), QStringLiteral("untitled - Quorvex"));
        for (int slot = 0; slot < preset::SlotCount; ++slot)
            QVERIFY(std::equal(preset::DefaultRecord.begin(), preset::DefaultRecord.end(),
                               w.session().editor().image().record(slot).begin()));
        QCOMPARE(panel.NxNumberKnobPre->GetValue(), 17.0f);
        QCOMPARE(f.backend->sent.size(), 1u);
        QCOMPARE(f.backend->sent[0], amp::singlePreset(preset::DefaultRecord));

        // A slot switch, then New Preset (nothing to save): single view on slot 0.
        panel.presetTabs->setCurrentIndex(6);
        QCOMPARE(w.session().editor().currentSlot(), 6);
        f.backend->sent.clear();
        f.prompter->shown.clear();
        act(w, "New1")->trigger();
        QVERIFY(f.prompter->shown.isEmpty());
        QCOMPARE(w.session().editor().view(), PresetEditor::View::Single);
        QVERIFY(!panel.presetTabs->isVisible());
        QCOMPARE(panel.presetTabs->currentIndex(), 0);
        QCOMPARE(w.session().editor().currentSlot(), 0);
        QVERIFY(!act(w, "SaveCurrentTab1")->isEnabled() && !act(w, "ImportSingletoTab")->isEnabled() &&
                !act(w, "GrouptoAmp")->isEnabled());
        QCOMPARE(f.backend->sent.size(), 1u);
        QCOMPARE(f.backend->sent[0][6], amp::SinglePreset);
    }

    void editMenuWaitsForTheAmpAndForCompare()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        PresetEditor &editor = w.session().editor();
        editor.startHistory(false);
        editor.editByte(preset::PreGain, 25);
        QVERIFY(act(w, "Undo1")->isEnabled());
        QCOMPARE(act(w, "Undo1")->text(), u"&Undo PreGain 17 \u2192 25"_qs);

        // A request to the Amp is open: Undo says so and waits.
        f.prompter->answers = {Button::No};
        act(w, "GroupfromAmp1")->trigger();
        QVERIFY(w.session().transfers().busy());
        act(w, "Undo1")->trigger();
        QCOMPARE(editor.record()[preset::PreGain], 25);
        QCOMPARE(child<QLabel>(w, "StatusMessage")->text(), QStringLiteral("Not undone: the Amp has not answered yet"));
        act(w, "History1")->trigger(); // its clicks wait too
        auto *history = child<QWidget>(w, "FormHistory");
        QVERIFY(!history->isEnabled());
        w.session().transfers().finish();
        QVERIFY(history->isEnabled());
        act(w, "Undo1")->trigger();
        QCOMPARE(editor.record()[preset::PreGain], 17);
        // The window says how far back the history goes, and when older
        // steps were dropped.
        QVERIFY(child<QLabel>(w, "HistoryBound")->text().contains(QLatin1String("older ones are dropped")));
        auto *view = child<QUndoView>(w, "HistoryView");
        QCOMPARE(view->emptyLabel(), QStringLiteral("<as opened>"));
        for (int i = 0; i <= EditHistory::MaxSteps; ++i)
            editor.editByte(i % 2 ? preset::Low : preset::High, std::uint8_t(1 + i % 30));
        QCOMPARE(view->emptyLabel(), QStringLiteral("<older steps dropped>"));
        editor.startHistory(false);
        QCOMPARE(view->emptyLabel(), QStringLiteral("<as opened>"));
        editor.editByte(preset::PreGain, 25);

        // Compare: the panel, Undo, Save and the transfers wait for it.
        act(w, "Compare1")->trigger();
        QVERIFY(editor.comparing());
        for (const char *name : {"Undo1", "Save1", "SaveAs1"})
            QVERIFY2(!act(w, name)->isEnabled(), name);
        QVERIFY(!child<QMenu>(w, "Transfer1")->menuAction()->isEnabled());
        QVERIFY(!w.editorPanel().PanelBox()->isEnabled());
        act(w, "Compare1")->trigger();
        QVERIFY(!editor.comparing());
        QVERIFY(act(w, "Undo1")->isEnabled() && act(w, "Save1")->isEnabled());
        QVERIFY(w.editorPanel().PanelBox()->isEnabled());
    }

    void compareForTheEar_data()
    {
        // B, the edits: PreGain and Bright over the stored defaults; the
        // slider's steps; what the Amp gets from them.
        QTest::addColumn<int>("pre");
        QTest::addColumn<bool>("bright");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("keptPre");
        QTest::newRow("a knob, step by step")
            << 25 << false << QList<int>{25, 90} << QStringList{"PreGain 19", "PreGain 24"} << 24;
        QTest::newRow("back toward A") << 25 << false << QList<int>{100, 50} << QStringList{"PreGain 25", "PreGain 21"}
                                       << 21;
        QTest::newRow("a switch flips at the middle")
            << 25 << true << QList<int>{40, 60, 70} << QStringList{"PreGain 20", "whole", "PreGain 23"} << 23;
    }

    void transferShowsInTheStatusBar()
    {
        // A question to the Amp shows how long it has waited, and goes with
        // the answer or the time-out.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        QTRY_VERIFY_WITH_TIMEOUT(w.session().transfers().state() == TransferState::Idle, 5000);
        w.session().run([&] { w.session().fetches().presetFromAmp(0); });
        auto *status = child<QWidget>(w, "StatusTransfer");
        QVERIFY(status->isVisibleTo(&w));
        QCOMPARE(child<QLabel>(*status, "LabelWaiting")->text(), QStringLiteral("Waiting for the Amp… 0 s"));
        f.prompter->answers = {Button::Ok}; // "No response from Amp."
        w.session().transfers().replyTimedOut();
        QTRY_VERIFY_WITH_TIMEOUT(!status->isVisibleTo(&w), 5000);
    }

    void compareForTheEar()
    {
        // Ctrl+K, the morph from the stored version to the edits: only what
        // changed goes, Keep This makes the preset heard the edits as one
        // step, and Undo gives the Amp the edits back.
        QFETCH(int, pre);
        QFETCH(bool, bright);
        QFETCH(QList<int>, steps);
        QFETCH(QStringList, sent);
        QFETCH(int, keptPre);
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        PresetEditor &editor = w.session().editor();
        editor.startHistory(false);
        editor.editByte(preset::PreGain, std::uint8_t(pre));
        editor.editField(preset::Bright, bright ? 1 : 0);
        preset::Record edits;
        std::ranges::copy(editor.record(), edits.begin());
        const int undoSteps = editor.history().stack().count();

        act(w, "Compare1")->trigger();
        auto *bar = child<QWidget>(w, "CompareBar");
        QVERIFY(bar->isVisibleTo(&w));
        f.backend->sent.clear();
        for (int step : steps)
            child<QSlider>(*bar, "SliderMorph")->setValue(step);
        QStringList heard;
        for (const amp::Bytes &m : f.backend->sent)
            heard << (m[6] == amp::ParameterSet   ? QStringLiteral("PreGain %1").arg(m[8] << 4 | m[9])
                      : m[6] == amp::SinglePreset ? QStringLiteral("whole")
                                                  : QStringLiteral("other"));
        QCOMPARE(heard, sent);
        QCOMPARE(editor.record()[preset::PreGain], 17); // the panel still shows A

        f.backend->sent.clear();
        child<QPushButton>(*bar, "ButtonKeepMorph")->click();
        QVERIFY(!editor.comparing());
        QVERIFY(!bar->isVisibleTo(&w));
        QCOMPARE(editor.record()[preset::PreGain], keptPre);
        QCOMPARE(editor.history().stack().count(), undoSteps + 1);
        QCOMPARE(f.backend->sent, std::vector<amp::Bytes>{amp::singlePreset(editor.record())});

        f.backend->sent.clear();
        act(w, "Undo1")->trigger();
        QVERIFY(std::ranges::equal(editor.record(), edits));
        QCOMPARE(f.backend->sent, std::vector<amp::Bytes>{amp::singlePreset(edits)});
    }

    void libraryHooksAndTabDrops()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        act(w, "NewGroup1")->trigger();
        DeviceImage &image = w.session().editor().image();
        for (int s = 0; s < preset::SlotCount; ++s)
            image.record(s)[preset::PreGain] = std::uint8_t(s + 1);
        f.backend->sent.clear();
        PresetTabs *tabs = w.editorPanel().presetTabs;
        tabs->resize(tabs->sizeHint().width(), tabs->heightForWidth(tabs->sizeHint().width()));
        auto drop = [&](const char *format, const QByteArray &data, int onto, Qt::KeyboardModifiers keys = {}) {
            QMimeData mime;
            mime.setData(QLatin1String(format), data);
            const QPointF at = tabs->tabRect(onto).center();
            QDragEnterEvent enter(at.toPoint(), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, keys);
            QCoreApplication::sendEvent(tabs, &enter);
            QDropEvent event(at, Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, keys);
            QCoreApplication::sendEvent(tabs, &event);
        };
        auto tab = [&](int from) { return QByteArray::number(quintptr(tabs)) + ':' + QByteArray::number(from); };
        auto record = [&](int s) {
            preset::Record r;
            std::ranges::copy(image.record(s), r.begin());
            return r;
        };

        // A1 dragged onto B2 swaps them; the Amp plays the new A1; modified.
        drop(PresetTabs::TabMimeType, tab(0), 5);
        QCOMPARE(image.record(0)[preset::PreGain], 6);
        QCOMPARE(image.record(5)[preset::PreGain], 1);
        QVERIFY(w.session().document().isModified());
        QCOMPARE(w.editorPanel().NxNumberKnobPre->GetValue(), 6.0f);
        QCOMPARE(f.backend->sent, std::vector<amp::Bytes>{amp::singlePreset(record(0))});
        // Ctrl copies A4 over A1.
        drop(PresetTabs::TabMimeType, tab(3), 0, Qt::ControlModifier);
        QCOMPARE(image.record(0)[preset::PreGain], 4);
        QCOMPARE(image.record(3)[preset::PreGain], 4);
        // A library row onto B4: stored there; the Amp hears nothing, A1 is shown.
        preset::Record loud = preset::DefaultRecord;
        loud[preset::PreGain] = 33;
        f.backend->sent.clear();
        drop(PresetTabs::PresetMimeType, QByteArray(reinterpret_cast<const char *>(loud.data()), 31), 7);
        QCOMPARE(record(7), loud);
        QVERIFY(f.backend->sent.empty());

        // Each is a step: undone in turn, the Amp hearing A1 only when it changes.
        QUndoStack &undo = w.session().editor().history().stack();
        QCOMPARE(undo.undoText(), QStringLiteral("Import to B4"));
        undo.undo();
        QCOMPARE(record(7)[preset::PreGain], 8);
        QVERIFY(f.backend->sent.empty());
        QCOMPARE(undo.undoText(), QStringLiteral("Copy A4 to A1"));
        undo.undo();
        QCOMPARE(image.record(0)[preset::PreGain], 6);
        QCOMPARE(f.backend->sent, std::vector<amp::Bytes>{amp::singlePreset(record(0))});
        undo.undo();
        QCOMPARE(image.record(0)[preset::PreGain], 1);
        QCOMPARE(image.record(5)[preset::PreGain], 6);
        undo.redo();
        undo.redo();
        undo.redo();
        QCOMPARE(record(7), loud);
        f.backend->sent.clear();

        // The library's hooks: hearing stores nothing; the editor's own comes back.
        const LibraryHooks hooks = w.libraryLink().hooks();
        hooks.hear(loud);
        QCOMPARE(image.record(0)[preset::PreGain], 4);
        hooks.hearEditor();
        QCOMPARE(f.backend->sent, (std::vector<amp::Bytes>{amp::singlePreset(loud), amp::singlePreset(record(0))}));
        hooks.importToSlot(-1, loud);
        QCOMPARE(record(0), loud);
        QCOMPARE(*hooks.currentRecord(), loud);
        QCOMPARE(hooks.currentName(), QStringLiteral("untitled A1"));

        // A group file opens at the slot asked for.
        std::array<std::uint8_t, preset::GroupSize> group{};
        const QString bank = f.put(QStringLiteral("elsewhere/bank.syx"), amp::groupDump(group));
        const QString listed = w.session().document().workingDirectory();
        const QString dataFolder = w.library().roots().data;
        w.session().editor().startHistory(false);
        hooks.open(bank, 9);
        QCOMPARE(w.session().editor().currentSlot(), 9);
        QCOMPARE(w.session().document().titleName(), bank);
        // Neither the file list nor the library moves with it; Save asks where.
        QCOMPARE(w.session().document().workingDirectory(), listed);
        QCOMPARE(w.library().roots().data, dataFolder);
        QVERIFY(w.session().document().saveElsewhere());

        // In single view nothing goes into a tab.
        act(w, "New1")->trigger();
        hooks.importToSlot(-1, loud);
        QCOMPARE(record(0), preset::DefaultRecord);
        QVERIFY(!hooks.groupView());
    }

    void editsReachTheAmpAndTheAmpReachesThePanel()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        EditorPanel &panel = w.editorPanel();
        f.backend->sent.clear();

        // Editor data to Amp, from the menu and the tool button: the record
        // as it stands, modified untouched.
        w.session().editor().image().record(0)[preset::MidFreq] = 9;
        act(w, "EditordatatoAmp1")->trigger();
        act(w, "ToolButtonSendEdits")->trigger();
        QCOMPARE(f.backend->sent.size(), 2u);
        QCOMPARE(f.backend->sent[1], amp::singlePreset(w.session().editor().image().record(0)));
        QVERIFY(!w.session().document().isModified());

        // A knob turned on the panel goes out through the output port.
        f.backend->sent.clear();
        panel.NxNumberKnobShift->SetValue(20);
        QCOMPARE(f.backend->sent.size(), 1u);
        QCOMPARE(f.backend->sent[0], amp::parameterSet(preset::MidFreq, 20));
        QVERIFY(w.session().document().isModified());

        // A click gives a knob the focus, so the arrow keys turn it.
        QApplication::setActiveWindow(&w);
        QTest::mouseClick(panel.NxNumberKnobPre, Qt::LeftButton, {}, QPoint(16, 16));
        QVERIFY(panel.NxNumberKnobPre->hasFocus());
        f.backend->sent.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(f.backend->sent.size(), 1u);
        QCOMPARE(f.backend->sent[0], amp::parameterSet(preset::PreGain, 18));
        QVERIFY(panel.NxNumberKnobPre->focusPolicy() & Qt::TabFocus);

        // A number typed under a knob goes out like a turn; text that is no
        // number is reported in the error box and changes nothing.
        f.backend->sent.clear();
        auto *edit = panel.findChild<QLineEdit *>(QStringLiteral("NxNumberKnobShiftEdit"));
        QVERIFY(edit);
        edit->setText(QStringLiteral("12"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(f.backend->sent.size(), 1u);
        QCOMPARE(f.backend->sent[0], amp::parameterSet(preset::MidFreq, 12));
        f.backend->sent.clear();
        edit->setText(QStringLiteral("1x2"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(f.prompter->shown.size(), 1);
        QCOMPARE(f.prompter->shown[0].caption, w.session().document().applicationTitle());
        QVERIFY(!f.prompter->shown[0].text.isEmpty());
        QVERIFY(f.backend->sent.empty());
        QCOMPARE(w.session().editor().image().record(0)[preset::MidFreq], 12);

        // A knob turned on the Amp moves the panel and sends nothing back.
        f.backend->sent.clear();
        f.backend->inject(amp::parameterSet(preset::MidFreq, 5));
        f.backend->flush();
        QCOMPARE(panel.NxNumberKnobShift->GetValue(), 5.0f);
        QCOMPARE(w.session().editor().image().record(0)[preset::MidFreq], 5);
        QVERIFY(f.backend->sent.empty());
        QVERIFY(!w.session().editor().loading());
    }

    void storedDeviceName()
    {
        // The index moved (another interface was plugged in): the name wins.
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIInName=In B\nMIDIOutPort=1\nMIDIOutName=Out B\n");
        MainWindow &w = f.make();
        QCOMPARE(w.session().link().midiIn().port(), 1);
        QCOMPARE(w.session().link().midiOut().port(), 1);

        const QStringList alsa{QStringLiteral("Midi Through:Port-0 14:0"), QStringLiteral("UM-ONE:UM-ONE MIDI 1 28:0")};
        QCOMPARE(MidiDeviceChoice::preferredPort(alsa, 0, QStringLiteral("UM-ONE:UM-ONE MIDI 1 24:0")), 1);
        QCOMPARE(MidiDeviceChoice::preferredPort(alsa, 1, QString()), 1); // no name stored: the index
        QCOMPARE(MidiDeviceChoice::preferredPort(alsa, 0, QStringLiteral("Gone")), 0);
        QCOMPARE(MidiDeviceChoice::preferredPort(alsa, 5, QStringLiteral("Gone")), -1); // never an unchosen device
        QCOMPARE(MidiDeviceChoice::preferredPort(alsa, -1, QStringLiteral("UM-ONE:UM-ONE MIDI 1 28:0")), -1);
        // Two devices of one name: the stored index decides.
        const QStringList twins{QStringLiteral("Synth"), QStringLiteral("Synth")};
        QCOMPARE(MidiDeviceChoice::preferredPort(twins, 1, QStringLiteral("Synth")), 1);
    }

    void globalsWindowFromTheMainWindow()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        Session &s = w.session();
        // The main window's global cabinet box wrote byte 13.
        w.editorPanel().ComboBoxCab->setCurrentIndex(6);
        w.editorPanel().CheckBoxGCab->setChecked(true);
        QCOMPARE(s.editor().image().globals[13], 7);
        f.backend->sent.clear();

        for (const char *item : {"GlobalWindow1", "ToolButtonGlobal"}) {
            std::vector<amp::Bytes> sentWhileOpen;
            bool open = false;
            const auto look = whenModal([&](QWidget *modal) {
                auto *form = qobject_cast<GlobalsWindow *>(modal);
                if (!form)
                    return;
                open = s.globals().globalsWindowOpen();
                form->sendToAmpAction->trigger();
                sentWhileOpen = std::exchange(f.backend->sent, {});
                form->quitAction->trigger();
            });
            act(w, item)->trigger();
            QVERIFY2(open, item);
            QVERIFY(!s.globals().globalsWindowOpen());
            // Asked once; no Amp was found, so its time-out will say
            // nothing. The whole record carries the cabinet the main window set.
            QCOMPARE(sentWhileOpen,
                     (std::vector<amp::Bytes>{amp::globalsRequest(), amp::globals(s.editor().image().globals)}));
            QCOMPARE(sentWhileOpen[1][7 + 2 * 13 + 1], 7);
            QCOMPARE(s.transfers().state(), TransferState::Globals);
            s.transfers().replyTimedOut();
            s.queue().runPending();
            QVERIFY(!f.prompter->texts().contains(QStringLiteral("No response from Amp.")));
        }
    }

    void globalFileHandedToTheGlobalsWindow()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        f.backend->sent.clear();
        std::array<std::uint8_t, preset::GlobalSize> globals{};
        globals[3] = 2;
        globals[7] = 17; // within the input adjust knob's range
        globals[13] = 5;
        const QString path = f.put(QStringLiteral("amp globals.syx"), amp::globals(globals));
        f.prompter->fileNames = {path};
        f.prompter->answers = {Button::Yes, Button::No};
        QString caption;
        const auto look = whenModal([&](QWidget *modal) {
            if (auto *form = qobject_cast<GlobalsWindow *>(modal)) {
                caption = shownTitle(*form);
                form->close();
            }
        });
        act(w, "Open1")->trigger();
        // After the open dialog, the question comes before the window shows.
        QCOMPARE(f.prompter->texts().mid(1), (QStringList{QStringLiteral("This is a Global File. Open it?"),
                                                          QStringLiteral("Send Globals to Amp?")}));
        QCOMPARE(caption, QStringLiteral("amp globals.syx - Globals"));
        QCOMPARE(w.session().editor().image().globals, globals);
        // Not awaited on this path: nothing asked, nothing sent.
        QVERIFY(f.backend->sent.empty());
        // The main window's cabinet box shows byte 13; the presets stay.
        QVERIFY(w.editorPanel().CheckBoxGCab->isChecked());
        QCOMPARE(w.editorPanel().ComboBoxCab->currentIndex(), 4);
        QCOMPARE(shownTitle(w), QStringLiteral("untitled - Quorvex"));

        // A file that fails is reported, and no window opens.
        const QString bad = f.put(QStringLiteral("bad.syx"), {0xF0, 0x00, 0x20, 0x4F, 0x10, 0x00, 0x13, 0x00});
        f.prompter->shown.clear();
        f.prompter->fileNames = {bad};
        f.prompter->answers = {Button::Yes};
        QCOMPARE(withModal([&] { act(w, "Open1")->trigger(); }), QStringLiteral("none"));
        QCOMPARE(f.prompter->texts().last(), QStringLiteral("Incorrect File Format:\n") + bad + QLatin1Char('.'));
    }

    void tunerFromTheMainWindow()
    {
        Fixture f;
        f.writeIni("[Form]\nMIDIInPort=0\nMIDIOutPort=0\n");
        MainWindow &w = f.make();
        w.startOnFirstActivation();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TunerWindow &tuner = w.tunerWindow();
        QVERIFY(tuner.isHidden());
        for (const char *item : {"EnterTuner1", "ToolButtonTuner"}) {
            f.backend->sent.clear();
            act(w, item)->trigger();
            QVERIFY(tuner.isVisible() && tuner.isEnabled());
            QVERIFY(!w.isEnabled());
            QTest::mouseClick(tuner.ButtonTunerExit, Qt::LeftButton);
            QVERIFY(tuner.isHidden() && w.isEnabled());
            QCOMPARE(f.sentCommands(), (QStringList{"22", "20", "20", "22"}));
        }
        // Closing the program in tuner mode takes the Amp out of it.
        act(w, "EnterTuner1")->trigger();
        f.backend->sent.clear();
        w.closeDown();
        QCOMPARE(f.backend->sent, std::vector<amp::Bytes>{amp::tunerMode(0)});
    }

    void dialogFilters()
    {
        const QString open = QStringLiteral("Sysex files (*.syx)|*.syx|All files|*.*");
        QCOMPARE(QtPrompter::qtFilter(open), QStringLiteral("Sysex files (*.syx);;All files (*)"));
        QCOMPARE(QtPrompter::defaultSuffix(open), QStringLiteral("syx"));
        QCOMPARE(QtPrompter::qtFilter(QStringLiteral("Sysex (*.syx)|*.syx|All Files|*.*")),
                 QStringLiteral("Sysex (*.syx);;All Files (*)"));
        QCOMPARE(QtPrompter::qtFilter(QStringLiteral("Notes (*.txt);;All (*)")),
                 QStringLiteral("Notes (*.txt);;All (*)"));
        QCOMPARE(QtPrompter::defaultSuffix(QStringLiteral("All files|*.*")), QString());
    }

    // However long a message, its box shows the start and end of each line
    // and a screenful of lines.
    void boxTextIsBounded()
    {
        const QString path = QStringLiteral("/") + QString(1 << 20, QLatin1Char('d')) + QStringLiteral("/Lead.syx");
        const QString one = QtPrompter::boxText(QStringLiteral("Can't open file:\n") + path);
        QVERIFY(one.startsWith(QStringLiteral("Can't open file:\n/ddd")));
        QVERIFY(one.endsWith(QStringLiteral("ddd/Lead.syx")));
        QVERIFY(one.size() < 300);
        const QString many = QtPrompter::boxText(QStringLiteral("line\n").repeated(100000));
        QVERIFY(many.count(QLatin1Char('\n')) <= 30);
        QCOMPARE(QtPrompter::boxText(QStringLiteral("Save Changes?")), QStringLiteral("Save Changes?"));
    }

    void aboutBox()
    {
        Fixture f;
        MainWindow &w = f.make();
        QString title, text, license;
        bool hasIcon = false;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<AboutDialog *>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->ProductName->text();
                license = box->License->text();
                hasIcon = !box->ProgramIcon->pixmap().isNull();
                box->close();
            }
        });
        act(w, "About1")->trigger();
        QCOMPARE(title, QStringLiteral("Quorvex"));
        QCOMPARE(text, QStringLiteral("Quorvex - V2.0.2"));
        QVERIFY(license.contains(QLatin1String("GNU General Public License, version 3 or later")));
        QVERIFY(hasIcon);
    }

    void caretRestsUntilTheNextInput_data()
    {
        QTest::addColumn<QEvent::Type>("input");
        QTest::addColumn<bool>("wakes");
        QTest::newRow("key") << QEvent::KeyPress << true;
        QTest::newRow("click") << QEvent::MouseButtonPress << true;
        QTest::newRow("wheel") << QEvent::Wheel << true;
        QTest::newRow("key released") << QEvent::KeyRelease << false;
        QTest::newRow("mouse passing") << QEvent::MouseMove << false;
    }

    void caretRestsUntilTheNextInput()
    {
        QFETCH(QEvent::Type, input);
        QFETCH(bool, wakes);
        QStyleHints *hints = QGuiApplication::styleHints();
        const int flash = hints->cursorFlashTime();
        QVERIFY(flash > 0);
        QLineEdit edit;
        {
            CaretRest rest;
            QVERIFY(rest.restTimer().isActive());
            rest.rest();
            QCOMPARE(hints->cursorFlashTime(), 0);
            QVERIFY(!rest.restTimer().isActive());

            std::unique_ptr<QEvent> event;
            const QPointF at(2, 2);
            if (input == QEvent::KeyPress || input == QEvent::KeyRelease)
                event = std::make_unique<QKeyEvent>(input, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            else if (input == QEvent::Wheel)
                event = std::make_unique<QWheelEvent>(at, at, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                                                      Qt::NoScrollPhase, false);
            else
                event = std::make_unique<QMouseEvent>(input, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&edit, event.get());
            QCOMPARE(hints->cursorFlashTime(), wakes ? flash : 0);
            QCOMPARE(rest.resting(), !wakes);
            QCOMPARE(rest.restTimer().isActive(), wakes); // counting to the next rest
        }
        // Gone, it leaves the carets as it found them.
        QCOMPARE(hints->cursorFlashTime(), flash);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the windows: every one a translator can reach, and every menu
// item reachable from the keyboard.
#include "ampsim/builtinampbackend.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/midiportsdialog.h"
#include "dialogs/notesdialog.h"
#include "dialogs/syncdialog.h"
#include "globals/globalswindow.h"
#include "library/comparewindow.h"
#include "library/duplicateswindow.h"
#include "library/tagsdialog.h"
#include "mainwindow/librarylink.h"
#include "mainwindow/mainwindow.h"
#include "midi/loopbackbackend.h"
#include "support/scriptedprompter.h"
#include "tuner/tunerwindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

// Every text it is asked for comes back in brackets: a text shown without
// them never went through a translation.
class BracketTranslator : public QTranslator {
public:
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return source && *source ? QLatin1Char('[') + QString::fromUtf8(source) + QLatin1Char(']') : QString();
    }
    bool isEmpty() const override { return false; }
};

const QString DeviceIn = QStringLiteral("In Device");
const QString DeviceOut = QStringLiteral("Out Device");

// The program's windows over a session without an Amp; the built-in
// virtual Amp brings its menu.
struct Windows {
    QTemporaryDir dir;
    ScriptedPrompter *prompter = nullptr;
    std::unique_ptr<MainWindow> main;
    std::vector<std::unique_ptr<QWidget>> others;

    Windows()
    {
        auto system = std::make_unique<LoopbackBackend>();
        system->inputs = {DeviceIn};
        system->outputs = {DeviceOut};
        auto p = std::make_unique<ScriptedPrompter>();
        prompter = p.get();
        MainWindow::Options o;
        o.backend = std::make_unique<BuiltInAmpBackend>(std::move(system));
        o.prompter = std::move(p);
        o.iniPath = dir.filePath(QStringLiteral("quorvex.INI"));
        o.libraryIndex = dir.filePath(QStringLiteral("library.sqlite"));
        o.recoveryFolder = dir.filePath(QStringLiteral("recovery"));
        o.autoStart = false;
        main = std::make_unique<MainWindow>(std::move(o));
        main->show();
        main->showLibrary();
        main->showSetlist();
        main->showAmpWindow();
        main->tunerWindow();
        QTest::qWait(0);
    }

    // The windows made when asked for; the sync dialog is modal, and holds
    // back the session's notices while it is up.
    void showTheRest()
    {
        Session &s = main->session();
        preset::Record a{};
        const auto shown = s.editor().record();
        std::copy(shown.begin(), shown.end(), a.begin());
        preset::Record b = a;
        b[0] ^= 1;
        others.push_back(std::make_unique<GlobalsWindow>(s.globals(), s.queue(), dir.path()));
        others.push_back(std::make_unique<MidiPortsDialog>(s.link().midiIn(), s.link().midiOut(), *prompter,
                                                           [] { return QStringLiteral("Quorvex"); }));
        others.push_back(std::make_unique<NotesDialog>(s.queue()));
        others.push_back(std::make_unique<SyncDialog>(s.sync(), s.queue()));
        others.push_back(std::make_unique<AboutDialog>());
        others.push_back(std::make_unique<TagsDialog>(QStringList{}, QStringList{}));
        others.push_back(std::make_unique<CompareWindow>(main->libraryLink().hooks(), QStringLiteral("Stored"), a,
                                                         QStringLiteral("Edited"), b));
        others.push_back(std::make_unique<DuplicatesWindow>(main->library(), *prompter, main->libraryLink().hooks()));
        for (auto &w : others)
            w->show();
        QTest::qWait(0);
    }
};

// Menus of every window, the pop-up menus with them.
QList<QMenu *> allMenus()
{
    QList<QMenu *> menus;
    for (QWidget *w : QApplication::allWidgets())
        if (auto *m = qobject_cast<QMenu *>(w))
            menus << m;
    return menus;
}

} // namespace

class TestTexts : public QObject {
    Q_OBJECT

    // The parts of a text outside brackets hold only data: numbers, slot
    // and note names, the devices' names.
    static bool translated(QString text)
    {
        // A folder or a file shown as it is named.
        if (QFileInfo::exists(text))
            return true;
        static const QRegularExpression markup(QStringLiteral("<[^>]*>"));
        text.remove(markup);
        text.remove(QLatin1Char('&'));
        // The program's name is the same in every language.
        for (const QString &data : {DeviceIn, DeviceOut, BuiltInAmpBackend::deviceName(), QStringLiteral("Quorvex")})
            text.remove(data);
        // Drop bracketed parts, innermost first.
        static const QRegularExpression inner(QStringLiteral("\\[[^\\[\\]]*\\]"));
        while (text.contains(inner))
            text.remove(inner);
        static const QRegularExpression word(QStringLiteral("\\p{L}{2,}"));
        return !text.contains(word);
    }

    static void look(QStringList &untranslated, const QString &where, const QString &text)
    {
        if (!text.trimmed().isEmpty() && !translated(text))
            untranslated << QStringLiteral("%1: \"%2\"").arg(where, text);
    }

    static QString nameOf(const QObject *o)
    {
        QString name = QString::fromLatin1(o->metaObject()->className());
        if (!o->objectName().isEmpty())
            name += QLatin1Char(' ') + o->objectName();
        return name;
    }

    static QStringList untranslatedTexts()
    {
        QStringList found;
        for (QWidget *w : QApplication::allWidgets()) {
            const QString where = nameOf(w);
            if (w->isWindow() || qobject_cast<QToolBar *>(w))
                look(found, where + QStringLiteral(" title"), w->windowTitle());
            look(found, where + QStringLiteral(" tooltip"), w->toolTip());
            look(found, where + QStringLiteral(" status tip"), w->statusTip());
            look(found, where + QStringLiteral(" what's this"), w->whatsThis());
            if (auto *l = qobject_cast<QLabel *>(w))
                look(found, where, l->text());
            if (auto *b = qobject_cast<QAbstractButton *>(w))
                look(found, where, b->text());
            if (auto *g = qobject_cast<QGroupBox *>(w))
                look(found, where, g->title());
            if (auto *p = qobject_cast<QProgressBar *>(w))
                look(found, where + QStringLiteral(" format"), p->format());
            if (auto *e = qobject_cast<QLineEdit *>(w))
                look(found, where + QStringLiteral(" placeholder"), e->placeholderText());
            if (auto *c = qobject_cast<QComboBox *>(w); c && !c->isEditable())
                for (int i = 0; i < c->count(); ++i)
                    look(found, where + QStringLiteral(" item"), c->itemText(i));
            if (auto *t = qobject_cast<QTabBar *>(w))
                for (int i = 0; i < t->count(); ++i)
                    look(found, where + QStringLiteral(" tab"), t->tabText(i));
            if (auto *v = qobject_cast<QAbstractItemView *>(w); v && v->model())
                for (int c = 0; c < v->model()->columnCount(); ++c)
                    look(found, where + QStringLiteral(" column"),
                         v->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
            if (auto *m = qobject_cast<QMenu *>(w))
                look(found, where + QStringLiteral(" title"), m->title());
            for (QAction *a : w->actions()) {
                const QString at = where + QStringLiteral(" action ") + a->objectName();
                look(found, at, a->text());
                look(found, at + QStringLiteral(" tooltip"), a->toolTip());
                look(found, at + QStringLiteral(" status tip"), a->statusTip());
            }
        }
        found.removeDuplicates();
        return found;
    }

    // One line each (a failure's own message is cut short), then the count.
    static void report(const QStringList &faults, const char *what)
    {
        for (const QString &f : faults)
            qWarning("%s", qPrintable(f));
        QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 %2").arg(faults.size()).arg(QLatin1String(what))));
    }

private slots:
    void everyTextGoesThroughTranslation()
    {
        BracketTranslator brackets;
        QCoreApplication::installTranslator(&brackets);
        {
            Windows windows;
            // What the session says in its boxes, from commands that need an
            // Amp or a file and have neither, and from a file that is none.
            const QString bad = windows.dir.filePath(QStringLiteral("bad.syx"));
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a preset") > 0);
            file.close();
            windows.prompter->fileNames = {bad};
            for (const char *id : {"Open1", "SaveAs1", "GroupfromAmp1", "EditordatatoAmp1", "CheckTheAmp",
                                   "RestoreAmpBackup", "ImportSingletoTab", "History1"}) {
                QAction *a = windows.main->findChild<QAction *>(QLatin1String(id));
                QVERIFY2(a, id);
                a->setEnabled(true);
                a->trigger();
                QTest::qWait(0);
            }
            windows.main->session().transfers().replyTimedOut();
            // Compare brings its bar.
            PresetEditor &editor = windows.main->session().editor();
            editor.markSaved();
            editor.editByte(preset::PreGain, 5);
            windows.main->findChild<QAction *>(QStringLiteral("Compare1"))->trigger();
            QVERIFY(editor.comparing());
            QTest::qWait(0);
            QVERIFY(windows.main->findChild<QWidget *>(QStringLiteral("CompareBar")));
            editor.setComparing(false);
            // A question to the built-in Amp brings the transfer's part of the
            // status bar.
            Session &session = windows.main->session();
            MidiInPort &in = session.link().midiIn();
            MidiOutPort &out = session.link().midiOut();
            in.setPort(int(in.deviceNames().size()) - 1);
            out.setPort(int(out.deviceNames().size()) - 1);
            in.setEnabled(true);
            out.setEnabled(true);
            session.run([&] { session.fetches().presetFromAmp(0); });
            QVERIFY(windows.main->findChild<QWidget *>(QStringLiteral("StatusTransfer")));
            windows.showTheRest();

            QVERIFY(windows.main->findChild<QWidget *>(QStringLiteral("FormHistory")));
            QVERIFY(windows.prompter->shown.size() >= 6);

            QStringList found = untranslatedTexts();
            for (const auto &box : windows.prompter->shown) {
                look(found, box.kind + QStringLiteral(" caption"), box.caption);
                look(found, box.kind, box.text);
            }
            report(found, "untranslated texts");
        }
        QCoreApplication::removeTranslator(&brackets);
    }

    // Each item of a menu, and each menu of a menu bar, has its own
    // mnemonic. The slot lists (A1..D4) are sixteen items over eight
    // characters and are left as they are: typed, the slot's letter walks
    // its bank.
    void everyMenuItemHasItsOwnMnemonic()
    {
        Windows windows;
        windows.showTheRest();
        QStringList faults;
        auto check = [&faults](const QString &where, const QList<QAction *> &actions) {
            QHash<QChar, QString> taken;
            for (const QAction *a : actions) {
                if (a->isSeparator() || a->text().isEmpty() || !a->isVisible())
                    continue;
                const QString text = a->text();
                static const QRegularExpression slot(QStringLiteral("^[A-D][1-4]$"));
                if (slot.match(text).hasMatch())
                    continue;
                static const QRegularExpression mnemonic(QStringLiteral("(?<!&)&([^&])"));
                const auto m = mnemonic.match(QString(text).replace(QStringLiteral("&&"), QString()));
                if (!m.hasMatch()) {
                    faults << QStringLiteral("%1: \"%2\" has no mnemonic").arg(where, text);
                    continue;
                }
                const QChar key = m.captured(1).at(0).toLower();
                if (taken.contains(key))
                    faults << QStringLiteral("%1: \"%2\" and \"%3\" share '%4'").arg(where, taken.value(key), text, key);
                taken.insert(key, text);
            }
        };
        for (QWidget *w : QApplication::allWidgets())
            if (auto *bar = qobject_cast<QMenuBar *>(w))
                check(nameOf(bar->window()) + QStringLiteral(" menu bar"), bar->actions());
        for (QMenu *m : allMenus())
            check(nameOf(m) + QLatin1Char(' ') + m->title(), m->actions());
        report(faults, "menu items without a mnemonic of their own");
    }
};

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"

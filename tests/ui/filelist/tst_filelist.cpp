// SPDX-License-Identifier: GPL-3.0-or-later
// The file list: what it lists and in what order, the requests it makes,
// deleting to the trash and for good, moving to other directories, and
// following what other programs do to the directory.
#include "filelist/filelistpanel.h"
#include "session/document.h"
#include "session/guard.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using Button = Prompter::Button;

bool touch(const QString &path, const QByteArray &content = "F0 F7")
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QStringList names(const QList<QAction *> &actions)
{
    QStringList n;
    for (const QAction *a : actions)
        n << (a->isSeparator() ? u"-"_s : a->objectName());
    return n;
}

// A folder with files, and a panel showing it, answered by a scripted user.
struct Rig {
    QTemporaryDir dir;
    ScriptedPrompter user;
    Document doc;
    FileListPanel panel{doc, user};

    explicit Rig(const QStringList &files = {})
    {
        for (const QString &f : files)
            touch(at(f));
        moveTo(dir.path());
    }
    QString at(const QString &name) const { return dir.filePath(name); }
    bool moveTo(const QString &path)
    {
        return guarded(user, doc.applicationTitle(), [&] { panel.setPath(path); });
    }
    void show()
    {
        panel.resize(220, 300);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
    }
};

} // namespace

class TestFileList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listing();
    void requests_data();
    void requests();
    void deleting_data();
    void deleting();
    void setPath_data();
    void setPath();
    void pathCommands_data();
    void pathCommands();
    void followsOtherPrograms();
    void keepsTheFirstVisibleFile();
    void dropsALateReading();
    void gathersBurstsOfChanges();

private:
    QTemporaryDir home_;
};

void TestFileList::initTestCase()
{
    // Nothing here may reach the real trash.
    QVERIFY(home_.isValid());
    qputenv("HOME", QFile::encodeName(home_.path()));
}

void TestFileList::listing()
{
    Rig r({u"zz.syx"_s, u"B.SYX"_s, u"preset 10.syx"_s, u"c.txt"_s, u"a.syx"_s, u"Preset 9.Syx"_s, u"éclair.syx"_s,
           u"Ünïcode.syx"_s, u"syx"_s, u"a.syx.bak"_s, u".hidden.syx"_s});
    QCOMPARE(r.panel.LabelList->text(), r.dir.path());
    QCOMPARE(FileListPanel(r.doc, r.user).LabelList->text(), u"File Path"_s);
    QVERIFY(QDir(r.dir.path()).mkdir(u"x.syx"_s));
    QVERIFY(QFile::link(r.at(u"a.syx"_s), r.at(u"link.syx"_s)));
    QVERIFY(QFile::link(r.at(u"gone"_s), r.at(u"broken.syx"_s)));
    QVERIFY(QFile::link(r.at(u"x.syx"_s), r.at(u"folder link.syx"_s)));
    r.panel.refresh();

    // Letters without regard to case or accents, numbers by value.
    const QStringList expected = {u"a.syx"_s,        u"B.SYX"_s,         u"éclair.syx"_s,  u"link.syx"_s,
                                  u"Preset 9.Syx"_s, u"preset 10.syx"_s, u"Ünïcode.syx"_s, u"zz.syx"_s};
    QCOMPARE(r.panel.files(), expected);
    QCOMPARE(r.panel.fileList->model()->rowCount(), int(expected.size()));
    QCOMPARE(r.panel.fileList->model()->index(2, 0).data().toString(), expected[2]);
    QCOMPARE(r.panel.fileList->selectionMode(), QAbstractItemView::SingleSelection);

    // The same files again: the view keeps its model and selection.
    QVERIFY(r.panel.selectFile(u"B.SYX"_s));
    QSignalSpy resets(r.panel.fileList->model(), &QAbstractItemModel::modelReset);
    QSignalSpy changed(&r.panel, &FileListPanel::filesChanged);
    QVERIFY(touch(r.at(u"note.txt"_s)) && touch(r.at(u"zz.syx"_s), "new contents"));
    r.panel.refresh();
    QCOMPARE(resets.size() + changed.size(), 0);
    // Names equal but for case both appear, in a fixed order.
    QVERIFY(touch(r.at(u"A.syx"_s)));
    r.panel.refresh();
    QCOMPARE(resets.size() + changed.size(), 2);
    QCOMPARE(r.panel.files().mid(0, 3), (QStringList{u"A.syx"_s, u"a.syx"_s, u"B.SYX"_s}));
    QCOMPARE(r.panel.selectedFile(), u"B.SYX"_s);
}

void TestFileList::requests_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("opened"); // -1: nothing asked, 0: import, 1: open
    for (const char *how : {"double click", "Enter", "Return", "pop-up Open"})
        QTest::addRow("%s", how) << how << "b.syx" << 1;
    QTest::newRow("Enter, nothing selected") << "Enter"
                                             << "" << 1;
    QTest::newRow("pop-up Open, nothing selected") << "pop-up Open"
                                                   << "" << 1;
    QTest::newRow("Import, allowed") << "pop-up Import"
                                     << "b.syx" << 0;
    QTest::newRow("Import, nothing selected") << "pop-up Import"
                                              << "" << 0;
    QTest::newRow("Import, not allowed") << "Import while not allowed"
                                         << "b.syx" << -1;
}

void TestFileList::requests()
{
    QFETCH(QString, how);
    QFETCH(QString, selected);
    QFETCH(int, opened);
    Rig r({u"a.syx"_s, u"b.syx"_s, u"c.syx"_s});
    r.show();
    if (!selected.isEmpty())
        QVERIFY(r.panel.selectFile(selected));
    QSignalSpy open(&r.panel, &FileListPanel::openRequested);
    QSignalSpy import(&r.panel, &FileListPanel::importRequested);
    QListView *list = r.panel.fileList;
    QVERIFY(!r.panel.importAction->isEnabled());
    r.panel.setImportEnabled(how == "pop-up Import"_L1);

    if (how == "double click"_L1) {
        // A double click comes after the press and release of the first.
        const QPoint p = list->visualRect(list->model()->index(1, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, p);
    } else if (how == "Enter"_L1 || how == "Return"_L1) {
        QTest::keyClick(list, how == "Enter"_L1 ? Qt::Key_Enter : Qt::Key_Return);
    } else if (how == "pop-up Open"_L1) {
        r.panel.openFileAction->trigger();
    } else {
        QCOMPARE(r.panel.importAction->isEnabled(), opened == 0);
        r.panel.importAction->trigger();
        r.panel.importSelected();
    }

    const QString path = selected.isEmpty() ? QString() : r.at(selected);
    QCOMPARE(open.size(), opened == 1 ? 1 : 0);
    QCOMPARE(import.size(), opened == 0 ? 2 : 0);
    for (const QSignalSpy *asked : {&open, &import})
        if (!asked->isEmpty())
            QCOMPARE(asked->first().first().toString(), path);
    QCOMPARE(names(r.panel.PopupMenuList->actions()),
             (QStringList{u"OpenFile1"_s, u"Import1"_s, u"-"_s, u"RefreshFileList2"_s}));
}

void TestFileList::deleting_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("vanished"); // removed by another program first
    QTest::addColumn<int>("answer");    // -1: no question expected
    QTest::addColumn<bool>("gone");
    QTest::addColumn<bool>("trashed");
    QTest::addColumn<QString>("error");
    const int no = -1, yes = int(Button::Yes);
    QTest::newRow("Delete") << 0 << "a.syx" << false << no << true << true << "";
    QTest::newRow("Ctrl+keypad Delete") << int(Qt::KeypadModifier | Qt::ControlModifier) << "a.syx" << false << no
                                        << true << true << "";
    QTest::newRow("Shift+Delete, Yes") << int(Qt::ShiftModifier) << "a.syx" << false << yes << true << false << "";
    QTest::newRow("Shift+Delete, No") << int(Qt::ShiftModifier) << "a.syx" << false << int(Button::No) << false << false
                                      << "";
    QTest::newRow("Ctrl+Shift+Delete, Yes")
        << int(Qt::ShiftModifier | Qt::ControlModifier) << "a.syx" << false << yes << true << false << "";
    QTest::newRow("Delete, nothing selected") << 0 << "" << false << no << false << false << "";
    QTest::newRow("Shift+Delete, nothing selected")
        << int(Qt::ShiftModifier) << "" << false << yes << false << false << "";
    QTest::newRow("Delete, file already gone")
        << 0 << "a.syx" << true << no << true << false << "Can't move file to the trash:\n";
    QTest::newRow("Shift+Delete, file already gone")
        << int(Qt::ShiftModifier) << "a.syx" << true << yes << true << false << "Can't delete file:\n";
}

void TestFileList::deleting()
{
    QFETCH(int, modifiers);
    QFETCH(QString, selected);
    QFETCH(bool, vanished);
    QFETCH(int, answer);
    QFETCH(bool, gone);
    QFETCH(bool, trashed);
    QFETCH(QString, error);

    Rig r({u"a.syx"_s, u"a.txt"_s, u"b.syx"_s});
    // A per-user data folder not made yet, and the list's folder as the
    // current one: where Qt 6.4 would then make a trash of its own.
    const QString data = r.at(u"xdg-data"_s);
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(r.dir.path()));
    if (!selected.isEmpty())
        QVERIFY(r.panel.selectFile(selected));
    if (answer >= 0)
        r.user.answers.push_back(Button(answer));
    if (vanished)
        QVERIFY(QFile::remove(r.at(u"a.syx"_s)));
    // Seen by the list only when it reads the folder again.
    QVERIFY(touch(r.at(u"c.syx"_s)));

    QTest::keyClick(r.panel.fileList, Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
    QDir::setCurrent(current);

    QStringList shown = r.user.texts();
    if (answer >= 0)
        QCOMPARE(shown.takeFirst(),
                 u"Are you sure you want to delete '%1'?"_s.arg(selected.isEmpty() ? QString() : r.at(selected)));
    QCOMPARE(r.user.unexpected, 0);
    if (error.isEmpty()) {
        QCOMPARE(shown, QStringList());
    } else {
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(error + r.at(u"a.syx"_s)), qPrintable(shown[0]));
        QCOMPARE(r.user.shown.last().icon, Prompter::Icon::Error);
    }
    QCOMPARE(QFile::exists(r.at(u"a.syx"_s)), !gone);
    QCOMPARE(QFile::exists(data + u"/Trash/files/a.syx"_s), trashed);
    QVERIFY(!QFileInfo::exists(r.at(u"files"_s)) && !QFileInfo::exists(r.at(u"info"_s)));
    QVERIFY(QFile::exists(r.at(u"a.txt"_s)));
    // Read again in every case.
    QCOMPARE(r.panel.files(),
             gone ? QStringList({u"b.syx"_s, u"c.syx"_s}) : QStringList({u"a.syx"_s, u"b.syx"_s, u"c.syx"_s}));
}

void TestFileList::setPath_data()
{
    QTest::addColumn<QString>("text");  // in the test's folder; "" stays empty
    QTest::addColumn<QString>("shown"); // the folder listed after
    QTest::addColumn<bool>("fails");
    QTest::newRow("another folder") << "DATA"
                                    << "DATA" << false;
    QTest::newRow("trailing slash") << "DATA/"
                                    << "DATA" << false;
    QTest::newRow("empty text") << ""
                                << "data" << false;
    QTest::newRow("same folder through a link") << "link"
                                                << "data" << false;
    QTest::newRow("same folder with dots") << "DATA/../data/."
                                           << "data" << false;
    QTest::newRow("missing folder") << "missing"
                                    << "data" << true;
    QTest::newRow("a file") << "data/a.syx"
                            << "data" << true;
}

void TestFileList::setPath()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(bool, fails);
    Rig r;
    // Two folders whose names differ in case only.
    QVERIFY(QDir(r.dir.path()).mkdir(u"data"_s) && QDir(r.dir.path()).mkdir(u"DATA"_s));
    QVERIFY(touch(r.at(u"data/a.syx"_s)) && touch(r.at(u"DATA/b.syx"_s)));
    QVERIFY(QFile::link(r.at(u"data"_s), r.at(u"link"_s)));
    QVERIFY(r.moveTo(r.at(u"data"_s)));
    r.doc.setOpenDialogDirectory(u"/open-before"_s);
    QSignalSpy moved(&r.doc, &Document::workingDirectoryChanged);
    if (!text.isEmpty())
        text = r.at(text);
    shown = r.at(shown);

    QCOMPARE(r.moveTo(text), !fails);

    QCOMPARE(r.panel.directory(), shown);
    QCOMPARE(r.doc.workingDirectory(), shown);
    QCOMPARE(r.panel.LabelList->text(), shown);
    QCOMPARE(r.panel.files(), QStringList{shown.endsWith("DATA"_L1) ? u"b.syx"_s : u"a.syx"_s});
    QCOMPARE(moved.size(), shown.endsWith("DATA"_L1) ? 1 : 0);
    // The save dialog's folder changes first, even when the move fails.
    QCOMPARE(r.doc.saveDialogDirectory(), text);
    QCOMPARE(r.doc.openDialogDirectory(), fails ? u"/open-before"_s : text);
    QCOMPARE(r.user.texts(), fails ? QStringList{u"Can't open the folder '%1'"_s.arg(text)} : QStringList());
}

void TestFileList::pathCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("file");  // the document's file in the test's folder; empty: none
    QTest::addColumn<QString>("shown"); // "program": the program's folder
    QTest::addColumn<bool>("fails");
    QTest::addColumn<bool>("saveElsewhere"); // afterwards: Save asks where, Save Back offered
    QTest::newRow("current file, none") << "UsePathofCurrentFile1"
                                        << ""
                                        << "data" << false << false;
    QTest::newRow("current file elsewhere") << "UsePathofCurrentFile1"
                                            << "other/b.syx"
                                            << "other" << false << false;
    QTest::newRow("current file's folder gone") << "UsePathofCurrentFile1"
                                                << "gone/b.syx"
                                                << "data" << true << true;
    QTest::newRow("program folder") << "SetPathtoProgramDirectory1"
                                    << "data/a.syx"
                                    << "program" << false << true;
    QTest::newRow("from the INI") << "ResetPathfromINI1"
                                  << "data/a.syx"
                                  << "data" << false << false;
}

void TestFileList::pathCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, file);
    QFETCH(QString, shown);
    QFETCH(bool, fails);
    QFETCH(bool, saveElsewhere);
    Rig r;
    QVERIFY(QDir(r.dir.path()).mkdir(u"data"_s) && QDir(r.dir.path()).mkdir(u"other"_s));
    QVERIFY(r.moveTo(r.at(u"data"_s)));
    if (!file.isEmpty())
        r.doc.setFile(r.at(file), Document::Kind::Single);
    QSignalSpy ini(&r.panel, &FileListPanel::resetPathFromIniRequested);
    // Only a document with a file has a path to use.
    QCOMPARE(r.panel.usePathOfCurrentFileAction->isEnabled(), !file.isEmpty());

    r.panel.findChild<QAction *>(command)->trigger();

    shown = shown == "program"_L1 ? QCoreApplication::applicationDirPath() : r.at(shown);
    QCOMPARE(r.panel.directory(), shown);
    QCOMPARE(r.user.shown.size(), fails ? 1 : 0);
    QCOMPARE(ini.size(), command == "ResetPathfromINI1"_L1 ? 1 : 0);
    // The document keeps its file wherever the list goes; whether Save
    // writes it again follows whether it lies in the list's folder.
    QCOMPARE(r.doc.filePath(), file.isEmpty() ? QString() : r.at(file));
    QCOMPARE(r.doc.saveElsewhere(), saveElsewhere);
    QCOMPARE(names(r.panel.PopupMenuPath->actions()),
             (QStringList{u"UsePathofCurrentFile1"_s, u"ResetPathfromINI1"_s, u"SetPathtoProgramDirectory1"_s}));
}

void TestFileList::followsOtherPrograms()
{
    Rig r({u"a.syx"_s, u"b.syx"_s, u"m.syx"_s});
    r.show();
    QVERIFY(r.panel.selectFile(u"b.syx"_s));

    QVERIFY(touch(r.at(u"c.syx"_s)));
    QTRY_COMPARE(r.panel.files(), (QStringList{u"a.syx"_s, u"b.syx"_s, u"c.syx"_s, u"m.syx"_s}));
    QVERIFY(QFile::remove(r.at(u"a.syx"_s)));
    QTRY_COMPARE(r.panel.files(), (QStringList{u"b.syx"_s, u"c.syx"_s, u"m.syx"_s}));
    QVERIFY(QFile::rename(r.at(u"m.syx"_s), r.at(u"n.syx"_s)));
    QTRY_COMPARE(r.panel.files(), (QStringList{u"b.syx"_s, u"c.syx"_s, u"n.syx"_s}));
    QCOMPARE(r.panel.selectedFile(), u"b.syx"_s);
    // The selected file renamed away: nothing is selected.
    QVERIFY(QFile::rename(r.at(u"b.syx"_s), r.at(u"z.syx"_s)));
    QTRY_COMPARE(r.panel.files(), (QStringList{u"c.syx"_s, u"n.syx"_s, u"z.syx"_s}));
    QCOMPARE(r.panel.selectedFile(), QString());

    // A folder removed and made again is followed once read again.
    QVERIFY(QDir(r.dir.path()).removeRecursively());
    QTRY_COMPARE(r.panel.files(), QStringList());
    QVERIFY(QDir().mkpath(r.dir.path()) && touch(r.at(u"new.syx"_s)));
    r.panel.refresh();
    QVERIFY(touch(r.at(u"newer.syx"_s)));
    QTRY_COMPARE(r.panel.files(), (QStringList{u"new.syx"_s, u"newer.syx"_s}));
}

void TestFileList::keepsTheFirstVisibleFile()
{
    Rig r;
    for (int i = 100; i < 200; ++i)
        QVERIFY(touch(r.at(u"p%1.syx"_s.arg(i))));
    r.panel.refresh();
    r.show();
    QListView *list = r.panel.fileList;
    list->scrollTo(list->model()->index(50, 0), QAbstractItemView::PositionAtTop);
    const auto top = [list] { return list->indexAt(QPoint(0, 0)); };
    QCOMPARE(top().data().toString(), u"p150.syx"_s);

    // Files come before and after it; the same file stays at the top.
    QVERIFY(touch(r.at(u"a.syx"_s)) && touch(r.at(u"z.syx"_s)));
    QTRY_COMPARE(r.panel.files().size(), 102);
    QCOMPARE(top().data().toString(), u"p150.syx"_s);
    // When it goes, the same row stays at the top.
    QVERIFY(QFile::remove(r.at(u"p150.syx"_s)));
    QTRY_COMPARE(r.panel.files().size(), 101);
    QCOMPARE(top().row(), 51);
}

void TestFileList::dropsALateReading()
{
    Rig r({u"a.syx"_s});
    QVERIFY(QDir(r.dir.path()).mkdir(u"b"_s) && touch(r.at(u"b/b.syx"_s)));

    // A background reading of the first folder waits behind another task
    // while the list moves on; when it comes, it is old news.
    QThreadPool *pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    QSemaphore release;
    pool->start([&release] { release.acquire(); });
    r.panel.refreshInBackground();
    QVERIFY(r.moveTo(r.at(u"b"_s)));
    QSignalSpy changed(&r.panel, &FileListPanel::filesChanged);
    release.release();
    QVERIFY(pool->waitForDone(5000));
    pool->setMaxThreadCount(threads);
    QCoreApplication::processEvents(); // delivers the reading's end
    QCOMPARE(changed.size(), 0);
    QCOMPARE(r.panel.files(), QStringList{u"b.syx"_s});

    // A reading nobody overtakes is shown.
    QVERIFY(touch(r.at(u"b/c.syx"_s)));
    r.panel.refreshInBackground();
    QVERIFY(changed.wait(5000));
    QCOMPARE(r.panel.files(), (QStringList{u"b.syx"_s, u"c.syx"_s}));
}

void TestFileList::gathersBurstsOfChanges()
{
    Rig r;
    QSignalSpy changed(&r.panel, &FileListPanel::filesChanged);
    QElapsedTimer copying;
    copying.start();
    for (int i = 0; i < 200; ++i) {
        QVERIFY(touch(r.at(u"copied %1.syx"_s.arg(i))));
        // The copy is another program: the list runs meanwhile.
        if (i % 10 == 0)
            QCoreApplication::processEvents();
    }
    const qint64 copyMs = copying.elapsed();
    QTRY_COMPARE(r.panel.files().size(), 200);
    // At most one reading each ChangeDelayMs while the copy ran, and the last.
    QVERIFY2(changed.size() <= copyMs / FileListPanel::ChangeDelayMs + 2,
             qPrintable(u"%1 readings in %2 ms"_s.arg(changed.size()).arg(copyMs)));
}

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"

// The file list: which files it lists and in what order, the requests it
// makes, deleting to the trash and for good, moving to other directories,
// and following what other programs do to the directory.
#include "filelist/filelistpanel.h"
#include "session/document.h"
#include "session/guard.h"

#include "support/scriptedprompter.h"

#include <QtTest>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QStringListModel>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>

namespace {

using Button = Prompter::Button;

bool touch(const QString &path, const QByteArray &content = {})
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QStringList objectNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *a : actions)
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return names;
}

// A panel over a document, answered by a scripted user.
struct Rig {
    ScriptedPrompter user;
    Document doc;
    FileListPanel panel{doc, user};

    // Moves the list to dir, failing the test on an error box.
    void moveTo(const QString &dir)
    {
        QVERIFY(guarded(user, doc.applicationTitle(), [&] { panel.setPath(dir); }));
        QCOMPARE(panel.directory(), dir);
    }
    void showList()
    {
        panel.resize(220, 300);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
    }
    QRect itemRect(const QString &name) const
    {
        const auto row = panel.files().indexOf(name);
        return panel.FileListBox1->visualRect(panel.FileListBox1->model()->index(int(row), 0));
    }
};

} // namespace

class TestFileList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void listsSyxFilesInOrder();
    void nothingChangesWhenTheFilesAreTheSame();
    void openRequests_data();
    void openRequests();
    void importOnlyWhileAllowed();
    void deleteKeys_data();
    void deleteKeys();
    void deleteFailuresAreReported_data();
    void deleteFailuresAreReported();
    void deleteWithNothingSelected();
    void setPath_data();
    void setPath();
    void titleDirectory_data();
    void titleDirectory();
    void usePathOfCurrentFile_data();
    void usePathOfCurrentFile();
    void otherPathCommands();
    void followsOtherPrograms();
    void keepsTheFirstVisibleFile();
    void aLateReadingIsDropped();
    void gathersBurstsOfChanges();

private:
    QTemporaryDir home_;
    QByteArray savedHome_, savedData_;
    QString savedCurrent_;
};

void TestFileList::initTestCase()
{
    QVERIFY(home_.isValid());
    // Nothing here may reach the real trash: home and per-user data
    // directory are the test's own.
    savedHome_ = qgetenv("HOME");
    savedData_ = qgetenv("XDG_DATA_HOME");
    savedCurrent_ = QDir::currentPath();
    qputenv("HOME", QFile::encodeName(home_.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home_.filePath(QStringLiteral("no-data-yet"))));
}

void TestFileList::cleanupTestCase()
{
    QDir::setCurrent(savedCurrent_);
    qputenv("HOME", savedHome_);
    if (savedData_.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedData_);
}

void TestFileList::listsSyxFilesInOrder()
{
    QTemporaryDir dir;
    for (const char *name : {"zz.syx", "B.SYX", "preset 10.syx", "c.txt", "a.syx", "Preset 9.Syx", "éclair.syx",
                             "Ünïcode.syx", "syx", "a.syx.bak", ".hidden.syx"})
        QVERIFY(touch(dir.filePath(QString::fromUtf8(name))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.syx")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("a.syx")), dir.filePath(QStringLiteral("link.syx"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("broken.syx"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("x.syx")), dir.filePath(QStringLiteral("folder link.syx"))));

    Rig r;
    QCOMPARE(r.panel.LabelList->text(), QStringLiteral("File Path"));
    QVERIFY(r.doc.setWorkingDirectory(dir.path()));

    // Letters without regard to case or accents, numbers by value.
    const QStringList expected = {QStringLiteral("a.syx"),         QStringLiteral("B.SYX"),
                                  QStringLiteral("éclair.syx"),    QStringLiteral("link.syx"),
                                  QStringLiteral("Preset 9.Syx"),  QStringLiteral("preset 10.syx"),
                                  QStringLiteral("Ünïcode.syx"),   QStringLiteral("zz.syx")};
    QCOMPARE(r.panel.files(), expected);
    QCOMPARE(r.panel.FileListBox1->model()->rowCount(), int(expected.size()));
    QCOMPARE(r.panel.FileListBox1->model()->index(2, 0).data().toString(), expected[2]);
    QCOMPARE(r.panel.LabelList->text(), dir.path());
    QCOMPARE(r.panel.FileListBox1->selectionMode(), QAbstractItemView::SingleSelection);

    // Names equal but for case both appear, in a fixed order.
    QVERIFY(touch(dir.filePath(QStringLiteral("A.syx"))));
    r.panel.refresh();
    QCOMPARE(r.panel.files().mid(0, 2), (QStringList{QStringLiteral("A.syx"), QStringLiteral("a.syx")}));
}

void TestFileList::nothingChangesWhenTheFilesAreTheSame()
{
    QTemporaryDir dir;
    QVERIFY(touch(dir.filePath(QStringLiteral("a.syx"))));
    QVERIFY(touch(dir.filePath(QStringLiteral("b.syx"))));
    Rig r;
    r.moveTo(dir.path());
    QVERIFY(r.panel.selectFile(QStringLiteral("b.syx")));

    QSignalSpy resets(r.panel.FileListBox1->model(), &QAbstractItemModel::modelReset);
    QSignalSpy changed(&r.panel, &FileListPanel::filesChanged);
    QVERIFY(touch(dir.filePath(QStringLiteral("note.txt"))));
    QVERIFY(touch(dir.filePath(QStringLiteral("a.syx")), "changed contents"));
    r.panel.refresh();
    QCOMPARE(resets.size(), 0);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(r.panel.selectedFile(), QStringLiteral("b.syx"));

    QVERIFY(touch(dir.filePath(QStringLiteral("c.syx"))));
    r.panel.refresh();
    QCOMPARE(resets.size(), 1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(r.panel.selectedFile(), QStringLiteral("b.syx"));
}

void TestFileList::openRequests_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("selected");
    QTest::newRow("double click") << "double click" << "b.syx";
    QTest::newRow("Enter") << "Enter" << "b.syx";
    QTest::newRow("Return") << "Return" << "b.syx";
    QTest::newRow("pop-up") << "pop-up" << "b.syx";
    QTest::newRow("Enter, nothing selected") << "Enter" << "";
    QTest::newRow("pop-up, nothing selected") << "pop-up" << "";
}

void TestFileList::openRequests()
{
    QFETCH(QString, how);
    QFETCH(QString, selected);
    QTemporaryDir dir;
    for (const char *name : {"a.syx", "b.syx", "c.syx"})
        QVERIFY(touch(dir.filePath(QLatin1String(name))));
    Rig r;
    r.moveTo(dir.path());
    r.showList();
    if (!selected.isEmpty())
        QVERIFY(r.panel.selectFile(selected));

    QSignalSpy opened(&r.panel, &FileListPanel::openRequested);
    QListView *list = r.panel.FileListBox1;
    if (how == QLatin1String("double click")) {
        // A double click arrives after the press and release of the first.
        const QPoint at = r.itemRect(selected).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    else if (how == QLatin1String("Enter"))
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    else if (how == QLatin1String("Return"))
        QTest::keyClick(list, Qt::Key_Return);
    else
        r.panel.OpenFile1->trigger();

    QCOMPARE(opened.size(), 1);
    const QString expected = selected.isEmpty() ? QString() : dir.filePath(selected);
    QCOMPARE(opened.first().first().toString(), expected);
    QCOMPARE(objectNames(r.panel.PopupMenuList->actions()),
             (QStringList{QStringLiteral("OpenFile1"), QStringLiteral("Import1"), QStringLiteral("-"),
                          QStringLiteral("RefreshFileList2")}));
}

void TestFileList::importOnlyWhileAllowed()
{
    QTemporaryDir dir;
    QVERIFY(touch(dir.filePath(QStringLiteral("a.syx"))));
    Rig r;
    r.moveTo(dir.path());
    QVERIFY(r.panel.selectFile(QStringLiteral("a.syx")));
    QSignalSpy imported(&r.panel, &FileListPanel::importRequested);

    QVERIFY(!r.panel.Import1->isEnabled());
    r.panel.Import1->trigger();
    r.panel.importSelected();
    QCOMPARE(imported.size(), 0);

    r.panel.setImportEnabled(true);
    QVERIFY(r.panel.Import1->isEnabled());
    r.panel.Import1->trigger();
    QCOMPARE(imported.size(), 1);
    QCOMPARE(imported.first().first().toString(), dir.filePath(QStringLiteral("a.syx")));

    r.panel.setImportEnabled(false);
    QVERIFY(!r.panel.Import1->isEnabled());
    r.panel.importSelected();
    QCOMPARE(imported.size(), 1);
}

void TestFileList::deleteKeys_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("gone");
    QTest::addColumn<bool>("trashed");

    QTest::newRow("Delete") << int(Qt::NoModifier) << false << int(Button::Ok) << true << true;
    QTest::newRow("keypad Delete") << int(Qt::KeypadModifier) << false << int(Button::Ok) << true << true;
    QTest::newRow("Ctrl+Delete") << int(Qt::ControlModifier) << false << int(Button::Ok) << true << true;
    QTest::newRow("Shift+Delete, Yes") << int(Qt::ShiftModifier) << true << int(Button::Yes) << true << false;
    QTest::newRow("Shift+Delete, No") << int(Qt::ShiftModifier) << true << int(Button::No) << false << false;
    QTest::newRow("Ctrl+Shift+Delete, Yes")
        << int(Qt::ShiftModifier | Qt::ControlModifier) << true << int(Button::Yes) << true << false;
}

void TestFileList::deleteKeys()
{
    QFETCH(int, modifiers);
    QFETCH(bool, asks);
    QFETCH(int, answer);
    QFETCH(bool, gone);
    QFETCH(bool, trashed);

    QTemporaryDir dir;
    for (const char *name : {"a.syx", "a.txt", "b.syx"})
        QVERIFY(touch(dir.filePath(QLatin1String(name)), "data"));
    // A per-user data directory that does not exist yet, and the list's
    // folder as the current one: where a trash would wrongly be made.
    const QString data = dir.filePath(QStringLiteral("xdg-data"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    QVERIFY(QDir::setCurrent(dir.path()));

    Rig r;
    r.moveTo(dir.path());
    QVERIFY(r.panel.selectFile(QStringLiteral("a.syx")));
    if (asks)
        r.user.answers.push_back(Button(answer));
    // Unseen by the list until it reads the folder again.
    QVERIFY(touch(dir.filePath(QStringLiteral("c.syx"))));

    QTest::keyClick(r.panel.FileListBox1, Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));

    const QString path = dir.filePath(QStringLiteral("a.syx"));
    if (asks) {
        QCOMPARE(r.user.shown.size(), 1);
        QCOMPARE(r.user.shown[0].kind, QStringLiteral("question"));
        QCOMPARE(r.user.shown[0].caption, QStringLiteral("Confirm File Delete"));
        QCOMPARE(r.user.shown[0].text, QStringLiteral("Are you sure you want to delete '%1'?").arg(path));
    } else {
        QCOMPARE(r.user.shown.size(), 0);
    }
    QCOMPARE(r.user.unexpected, 0);
    QCOMPARE(QFile::exists(path), !gone);
    const QString trashedCopy = data + QStringLiteral("/Trash/files/a.syx");
    QCOMPARE(QFile::exists(trashedCopy), trashed);
    if (trashed) {
        QFile copy(trashedCopy);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("data"));
    }
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("files"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("info"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("a.txt"))));
    // Read again in every case.
    QVERIFY(r.panel.files().contains(QStringLiteral("c.syx")));
    QCOMPARE(r.panel.files().contains(QStringLiteral("a.syx")), !gone);

    QVERIFY(QDir::setCurrent(savedCurrent_));
}

void TestFileList::deleteFailuresAreReported_data()
{
    QTest::addColumn<bool>("permanently");
    QTest::addColumn<QString>("message");
    QTest::newRow("to the trash") << false << "Can't move file to the trash:\n";
    QTest::newRow("for good") << true << "Can't delete file:\n";
}

void TestFileList::deleteFailuresAreReported()
{
    QFETCH(bool, permanently);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(touch(dir.filePath(QStringLiteral("a.syx"))));
    QVERIFY(touch(dir.filePath(QStringLiteral("b.syx"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("xdg-data"))));
    Rig r;
    r.moveTo(dir.path());
    QVERIFY(r.panel.selectFile(QStringLiteral("a.syx")));
    // Gone before the list noticed.
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("a.syx"))));
    if (permanently)
        r.user.answers.push_back(Button::Yes);

    r.panel.deleteSelected(permanently);

    QCOMPARE(r.user.shown.size(), permanently ? 2 : 1);
    const ScriptedPrompter::Shown &box = r.user.shown.last();
    QCOMPARE(box.kind, QStringLiteral("notice"));
    QCOMPARE(box.icon, Prompter::Icon::Error);
    QCOMPARE(box.caption, r.doc.applicationTitle());
    QVERIFY2(box.text.startsWith(message + dir.filePath(QStringLiteral("a.syx"))), qPrintable(box.text));
    QCOMPARE(r.panel.files(), QStringList{QStringLiteral("b.syx")});
}

void TestFileList::deleteWithNothingSelected()
{
    QTemporaryDir dir;
    QVERIFY(touch(dir.filePath(QStringLiteral("a.syx"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("xdg-data"))));
    Rig r;
    r.moveTo(dir.path());
    r.user.answers.push_back(Button::Yes);

    QTest::keyClick(r.panel.FileListBox1, Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(r.panel.FileListBox1, Qt::Key_Delete);

    QCOMPARE(r.user.shown.size(), 1);
    QCOMPARE(r.user.shown[0].text, QStringLiteral("Are you sure you want to delete ''?"));
    QCOMPARE(r.panel.files(), QStringList{QStringLiteral("a.syx")});
}

void TestFileList::setPath_data()
{
    QTest::addColumn<QString>("text"); // relative to the test's folder; "" stays empty
    QTest::addColumn<QString>("shown"); // the directory the list shows after
    QTest::addColumn<QString>("listed");
    QTest::addColumn<bool>("fails");

    QTest::newRow("another folder") << "DATA" << "DATA" << "b.syx" << false;
    QTest::newRow("trailing slash") << "DATA/" << "DATA" << "b.syx" << false;
    QTest::newRow("empty text") << "" << "data" << "a.syx" << false;
    QTest::newRow("same folder through a link") << "link" << "data" << "a.syx" << false;
    QTest::newRow("same folder with dots") << "DATA/../data/." << "data" << "a.syx" << false;
    QTest::newRow("missing folder") << "missing" << "data" << "a.syx" << true;
    QTest::newRow("a file") << "data/a.syx" << "data" << "a.syx" << true;
}

void TestFileList::setPath()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, listed);
    QFETCH(bool, fails);

    QTemporaryDir base;
    const QDir b(base.path());
    // Two folders whose names differ in case only.
    QVERIFY(b.mkdir(QStringLiteral("data")) && b.mkdir(QStringLiteral("DATA")));
    QVERIFY(touch(base.filePath(QStringLiteral("data/a.syx"))));
    QVERIFY(touch(base.filePath(QStringLiteral("DATA/b.syx"))));
    QVERIFY(QFile::link(base.filePath(QStringLiteral("data")), base.filePath(QStringLiteral("link"))));
    if (!text.isEmpty())
        text = base.filePath(text);
    shown = base.filePath(shown);

    Rig r;
    r.moveTo(base.filePath(QStringLiteral("data")));
    r.doc.setOpenDialogDirectory(QStringLiteral("/open-before"));
    r.doc.setSaveDialogDirectory(QStringLiteral("/save-before"));
    QSignalSpy moved(&r.doc, &Document::workingDirectoryChanged);

    const bool ran = guarded(r.user, r.doc.applicationTitle(), [&] { r.panel.setPath(text); });

    QCOMPARE(ran, !fails);
    QCOMPARE(r.panel.directory(), shown);
    QCOMPARE(r.doc.workingDirectory(), shown);
    QCOMPARE(r.panel.LabelList->text(), shown);
    QCOMPARE(r.panel.files(), QStringList{listed});
    QCOMPARE(moved.size(), shown == base.filePath(QStringLiteral("data")) ? 0 : 1);
    // The save dialog's directory changes first, even when the move fails.
    QCOMPARE(r.doc.saveDialogDirectory(), text);
    QCOMPARE(r.doc.openDialogDirectory(), fails ? QStringLiteral("/open-before") : text);
    if (fails) {
        QCOMPARE(r.user.texts(), QStringList{QStringLiteral("Can't open the folder '%1'").arg(text)});
    } else {
        QCOMPARE(r.user.shown.size(), 0);
    }
}

void TestFileList::titleDirectory_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("directory");
    QTest::newRow("full path") << "/home/user/presets/clean.syx" << "/home/user/presets";
    QTest::newRow("in the root") << "/clean.syx" << "/";
    QTest::newRow("untitled") << "untitled" << "";
    QTest::newRow("from the Amp") << "Amp Preset" << "";
}

void TestFileList::titleDirectory()
{
    QFETCH(QString, title);
    QFETCH(QString, directory);
    QCOMPARE(FileListPanel::titleDirectory(title), directory);
}

void TestFileList::usePathOfCurrentFile_data()
{
    QTest::addColumn<QString>("title"); // a file name is placed in the test's "other" folder
    QTest::addColumn<bool>("moves");
    QTest::addColumn<bool>("fails");
    QTest::newRow("untitled") << "untitled" << false << false;
    QTest::newRow("a file elsewhere") << "other/b.syx" << true << false;
    QTest::newRow("a file whose folder went") << "gone/b.syx" << false << true;
}

void TestFileList::usePathOfCurrentFile()
{
    QFETCH(QString, title);
    QFETCH(bool, moves);
    QFETCH(bool, fails);

    QTemporaryDir base;
    QVERIFY(QDir(base.path()).mkdir(QStringLiteral("data")) && QDir(base.path()).mkdir(QStringLiteral("other")));
    QVERIFY(touch(base.filePath(QStringLiteral("other/b.syx"))));
    const QString start = base.filePath(QStringLiteral("data"));

    Rig r;
    r.moveTo(start);
    r.doc.setTitle(title.contains(QLatin1Char('/')) ? base.filePath(title) : title);
    r.doc.setSaveElsewhere(true);
    QSignalSpy disabled(&r.panel, &FileListPanel::saveBackDisabled);

    r.panel.UsePathofCurrentFile1->trigger();

    const QString expected = moves ? base.filePath(QStringLiteral("other")) : start;
    QCOMPARE(r.panel.directory(), expected);
    QCOMPARE(disabled.size(), fails ? 0 : 1);
    QCOMPARE(r.user.shown.size(), fails ? 1 : 0);
    QVERIFY(r.doc.saveElsewhere());
    if (!moves && !fails)
        QCOMPARE(r.doc.openDialogDirectory(), QString());
}

void TestFileList::otherPathCommands()
{
    Rig r;
    QCOMPARE(objectNames(r.panel.PopupMenuPath->actions()),
             (QStringList{QStringLiteral("UsePathofCurrentFile1"), QStringLiteral("ResetPathfromINI1"),
                          QStringLiteral("SetPathtoProgramDirectory1")}));

    QSignalSpy iniAsked(&r.panel, &FileListPanel::resetPathFromIniRequested);
    r.panel.ResetPathfromINI1->trigger();
    QCOMPARE(iniAsked.size(), 1);

    r.panel.SetPathtoProgramDirectory1->trigger();
    QCOMPARE(r.panel.directory(), QCoreApplication::applicationDirPath());
    QCOMPARE(r.doc.openDialogDirectory(), QCoreApplication::applicationDirPath());
}

void TestFileList::followsOtherPrograms()
{
    QTemporaryDir dir;
    for (const char *name : {"a.syx", "b.syx", "m.syx"})
        QVERIFY(touch(dir.filePath(QLatin1String(name))));
    Rig r;
    r.moveTo(dir.path());
    r.showList();
    QVERIFY(r.panel.selectFile(QStringLiteral("b.syx")));
    auto at = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    auto list = [](std::initializer_list<const char *> names) {
        QStringList l;
        for (const char *n : names)
            l << QLatin1String(n);
        return l;
    };

    QVERIFY(touch(at("c.syx")));
    QTRY_COMPARE(r.panel.files(), list({"a.syx", "b.syx", "c.syx", "m.syx"}));
    QCOMPARE(r.panel.selectedFile(), QStringLiteral("b.syx"));

    QVERIFY(QFile::remove(at("a.syx")));
    QTRY_COMPARE(r.panel.files(), list({"b.syx", "c.syx", "m.syx"}));
    QCOMPARE(r.panel.selectedFile(), QStringLiteral("b.syx"));

    QVERIFY(QFile::rename(at("m.syx"), at("n.syx")));
    QTRY_COMPARE(r.panel.files(), list({"b.syx", "c.syx", "n.syx"}));
    QCOMPARE(r.panel.selectedFile(), QStringLiteral("b.syx"));

    // The selected file renamed away: nothing is selected.
    QVERIFY(QFile::rename(at("b.syx"), at("z.syx")));
    QTRY_COMPARE(r.panel.files(), list({"c.syx", "n.syx", "z.syx"}));
    QCOMPARE(r.panel.selectedFile(), QString());

    // A folder that is removed and made again is followed once read again.
    QVERIFY(QDir(dir.path()).removeRecursively());
    QTRY_COMPARE(r.panel.files(), QStringList());
    QVERIFY(QDir().mkpath(dir.path()));
    QVERIFY(touch(at("new.syx")));
    r.panel.refresh();
    QCOMPARE(r.panel.files(), list({"new.syx"}));
    QVERIFY(touch(at("newer.syx")));
    QTRY_COMPARE(r.panel.files(), list({"new.syx", "newer.syx"}));
}

void TestFileList::keepsTheFirstVisibleFile()
{
    QTemporaryDir dir;
    for (int i = 100; i < 200; ++i)
        QVERIFY(touch(dir.filePath(QStringLiteral("p%1.syx").arg(i))));
    Rig r;
    r.moveTo(dir.path());
    r.showList();
    QListView *list = r.panel.FileListBox1;
    list->scrollTo(list->model()->index(50, 0), QAbstractItemView::PositionAtTop);
    const QString top = list->indexAt(QPoint(0, 0)).data().toString();
    QCOMPARE(top, QStringLiteral("p150.syx"));

    // Files come before it and after it; the same file stays at the top.
    QVERIFY(touch(dir.filePath(QStringLiteral("a.syx"))));
    QVERIFY(touch(dir.filePath(QStringLiteral("z.syx"))));
    QTRY_COMPARE(r.panel.files().size(), 102);
    QCOMPARE(list->indexAt(QPoint(0, 0)).data().toString(), top);

    // When it goes, the view stays at the same row.
    QVERIFY(QFile::remove(dir.filePath(top)));
    QTRY_COMPARE(r.panel.files().size(), 101);
    QCOMPARE(list->indexAt(QPoint(0, 0)).row(), 51);
}

void TestFileList::aLateReadingIsDropped()
{
    QTemporaryDir base;
    const QString a = base.filePath(QStringLiteral("a")), b = base.filePath(QStringLiteral("b"));
    QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
    QVERIFY(touch(b + QStringLiteral("/b.syx")));
    Rig r;
    r.moveTo(a);
    QVERIFY(touch(a + QStringLiteral("/a.syx")));

    // The background reading of a waits behind another task while the list
    // moves to b; when it comes, it is old news.
    QThreadPool *pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    QSemaphore release;
    pool->start([&release] { release.acquire(); });
    r.panel.refreshInBackground();
    r.moveTo(b);
    QSignalSpy changed(&r.panel, &FileListPanel::filesChanged);
    release.release();
    QVERIFY(pool->waitForDone(5000));
    pool->setMaxThreadCount(threads);
    // Delivers the reading's end.
    QCoreApplication::processEvents();

    QCOMPARE(changed.size(), 0);
    QCOMPARE(r.panel.files(), QStringList{QStringLiteral("b.syx")});

    // A reading nobody overtakes is shown.
    QVERIFY(touch(b + QStringLiteral("/c.syx")));
    r.panel.refreshInBackground();
    QVERIFY(changed.wait(5000));
    QCOMPARE(r.panel.files(), (QStringList{QStringLiteral("b.syx"), QStringLiteral("c.syx")}));
}

void TestFileList::gathersBurstsOfChanges()
{
    QTemporaryDir dir;
    Rig r;
    r.moveTo(dir.path());
    QSignalSpy changed(&r.panel, &FileListPanel::filesChanged);

    QElapsedTimer copying;
    copying.start();
    for (int i = 0; i < 200; ++i) {
        QVERIFY(touch(dir.filePath(QStringLiteral("copied %1.syx").arg(i)), "F0 F7"));
        // The copy is another program: the list runs meanwhile.
        if (i % 10 == 0)
            QCoreApplication::processEvents();
    }
    const qint64 copyMs = copying.elapsed();
    QTRY_COMPARE(r.panel.files().size(), 200);
    // At most one reading each ChangeDelayMs while the copy ran, and the last.
    QVERIFY2(changed.size() <= copyMs / FileListPanel::ChangeDelayMs + 2,
             qPrintable(QStringLiteral("%1 readings in %2 ms").arg(changed.size()).arg(copyMs)));
}

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// The library's windows over a small library, with the editor's side
// recorded through the hooks and the user's answers scripted.
#include "controls/presettabs.h"
#include "files/notefile.h"
#include "files/presetfile.h"
#include "library/comparewindow.h"
#include "library/duplicateswindow.h"
#include "library/earcontrols.h"
#include "library/library.h"
#include "library/libraryprogress.h"
#include "library/librarytablemodel.h"
#include "library/librarywindow.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace preset;
using Button = Prompter::Button;

namespace {

Record record(int model, int gain)
{
    Record r = DefaultRecord;
    r[AmpCab] = std::uint8_t(model);
    r[PreGain] = std::uint8_t(gain);
    return r;
}

// What the editor was asked.
struct Editor {
    QStringList calls;
    bool group = true;
    bool morphs = false; // offers the morph's hooks
    LibraryHooks hooks()
    {
        LibraryHooks h;
        h.open = [this](const QString &path, int slot) {
            calls << QStringLiteral("open %1 %2").arg(QFileInfo(path).fileName()).arg(slot);
        };
        h.hear = [this](const Record &r) { calls << QStringLiteral("hear %1").arg(r[PreGain]); };
        h.hearEditor = [this] { calls << QStringLiteral("editor"); };
        h.groupView = [this] { return group; };
        h.importToSlot = [this](int slot, const Record &r) {
            calls << QStringLiteral("import %1 %2").arg(slot).arg(r[PreGain]);
        };
        h.currentRecord = [] { return std::optional<Record>(record(0, 17)); };
        h.currentName = [] { return QStringLiteral("Editor"); };
        h.showInFileList = [this](const QString &path) {
            calls << QStringLiteral("show ") + QFileInfo(path).fileName();
        };
        if (morphs) {
            h.hearChange = [this](const Record &from, const Record &to) {
                calls << QStringLiteral("change %1>%2").arg(from[Mid]).arg(to[Mid]);
            };
            h.keep = [this](const Record &r, const QString &what) {
                calls << QStringLiteral("keep %1 ").arg(r[Mid]) + what;
            };
        }
        return h;
    }
};

} // namespace

class TestLibraryWin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void searchSortAndExplain();
    void rowsPastTheFirstComeLater();
    void commandsFollowTheSelection();
    void commandsReachTheEditor();
    void marksAndDelete();
    void compareWindow();
    void duplicatesWindow();

private:
    // Runs a search and waits for the window to show it.
    void searchFor(const QString &query);
    QStringList names() const;
    void select(const QStringList &rowNames);

    QTemporaryDir home_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Library> library_;
    ScriptedPrompter prompter_;
    Editor editor_;
    std::unique_ptr<LibraryWindow> window_;
};

void TestLibraryWin::initTestCase()
{
    // The trash goes here, not into the real home.
    qputenv("XDG_DATA_HOME", home_.path().toUtf8());
}

void TestLibraryWin::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    const QString data = dir_->filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    files::writeSingleFile(data + QStringLiteral("/Lead.syx"), record(2, 30));
    files::writeNote(data + QStringLiteral("/Lead.txt"), QStringLiteral("for solos"));
    files::writeSingleFile(data + QStringLiteral("/Lead copy.syx"), record(2, 30));
    files::writeSingleFile(data + QStringLiteral("/Lead warmer.syx"), record(2, 28));
    files::writeSingleFile(data + QStringLiteral("/Clean.syx"), record(0x50, 5)); // cabinet 5
    std::array<std::uint8_t, GroupSize> group{};
    for (int s = 0; s < SlotCount; ++s) {
        const Record r = record(0x36, 10 + s); // Chime, 4x12 Vintage; gains one apart
        std::copy(r.begin(), r.end(), group.begin() + s * RecordSize);
    }
    files::writeGroupFile(data + QStringLiteral("/Bank.syx"), group);
    QFile broken(data + QStringLiteral("/Broken.syx"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("nothing");
    broken.close();

    library_ = std::make_unique<Library>(dir_->filePath(QStringLiteral("index.sqlite")));
    library_->setDataFolder(data);
    library_->start();
    QVERIFY(library_->waitUntilIdle());
    prompter_ = ScriptedPrompter();
    editor_ = Editor();
    window_ = std::make_unique<LibraryWindow>(*library_, prompter_, editor_.hooks());
    searchFor(QString());
}

void TestLibraryWin::cleanup()
{
    window_.reset();
    library_.reset();
    QVERIFY(prompter_.answers.empty());
    QCOMPARE(prompter_.unexpected, 0);
}

void TestLibraryWin::searchFor(const QString &query)
{
    QSignalSpy shown(window_.get(), &LibraryWindow::shown);
    window_->EditSearch->setText(query);
    window_->search();
    QVERIFY(shown.wait(5000));
}

QStringList TestLibraryWin::names() const
{
    QStringList n;
    for (int r = 0; r < window_->model().rowCount(); ++r)
        n << window_->model().entry(r)->name();
    return n;
}

void TestLibraryWin::select(const QStringList &rowNames)
{
    QList<int> rows;
    for (const QString &name : rowNames)
        rows << int(names().indexOf(name));
    QVERIFY(!rows.contains(-1));
    window_->selectRows(rows);
    window_->updateActions();
}

void TestLibraryWin::searchSortAndExplain()
{
    QCOMPARE(names().size(), 21);
    QCOMPARE(names().first(), QStringLiteral("Bank.syx A1")); // by name, then slot
    QCOMPARE(window_->LabelExplanation->text(), QStringLiteral("21 presets"));

    // By gain, one way and the other: the header's indicator.
    QSignalSpy shown(window_.get(), &LibraryWindow::shown);
    window_->TablePresets->horizontalHeader()->setSortIndicator(LibraryColumns::Gain, Qt::AscendingOrder);
    QVERIFY(shown.wait(5000));
    searchFor(QStringLiteral("gain>=28 -copy"));
    QCOMPARE(names(), (QStringList{QStringLiteral("Lead warmer.syx"), QStringLiteral("Lead.syx")}));
    window_->TablePresets->horizontalHeader()->setSortIndicator(LibraryColumns::Gain, Qt::DescendingOrder);
    QVERIFY(shown.wait(5000));
    QCOMPARE(names(), (QStringList{QStringLiteral("Lead.syx"), QStringLiteral("Lead warmer.syx")}));
    QCOMPARE(window_->TablePresets->model()->index(0, LibraryColumns::Note).data().toString(),
             QStringLiteral("for solos"));

    // A malformed query says why under the field and shows nothing.
    searchFor(QStringLiteral("gain>>3"));
    QVERIFY(names().isEmpty());
    QCOMPARE(window_->LabelExplanation->text(), QStringLiteral("\"gain>\" needs a number, not \">3\"."));
    searchFor(QStringLiteral("is:unreadable"));
    QCOMPARE(window_->TablePresets->model()->index(0, LibraryColumns::Note).data().toString(),
             QStringLiteral("Incorrect Header: 6E 6F 74 68 69 6E 67"));
}

// More presets than the first rows a search shows at once: those come
// first, then the rest are added below them, the selection kept; rows
// further down are read from the index as they are asked for.
void TestLibraryWin::rowsPastTheFirstComeLater()
{
    const QString data = library_->roots().data;
    std::array<std::uint8_t, GroupSize> group{};
    for (int s = 0; s < SlotCount; ++s) {
        const Record r = record(0x36, s);
        std::copy(r.begin(), r.end(), group.begin() + s * RecordSize);
    }
    for (int i = 1; i <= 15; ++i)
        files::writeGroupFile(data + QStringLiteral("/More %1.syx").arg(i), group);
    library_->refresh();
    QVERIFY(library_->waitUntilIdle());

    // Searches answered before this one are not shown any more.
    QStringList explained;
    int shownRows = 0;
    connect(window_.get(), &LibraryWindow::shown, this, [&] {
        explained << window_->LabelExplanation->text();
        // The user picks a row while the rest are still on their way.
        if (++shownRows == 1)
            select({QStringLiteral("Clean.syx")});
    });
    QSignalSpy shown(window_.get(), &LibraryWindow::shown);
    window_->search();
    while (explained.size() < 2 && shown.wait(5000)) {}
    QCOMPARE(explained, (QStringList{QStringLiteral("At least 200 presets"), QStringLiteral("261 presets")}));
    // By name, numbers by value: Bank, Broken, Clean, Lead..., More 1 ... More 15.
    QCOMPARE(window_->model().entry(21)->name(), QStringLiteral("More 1.syx A1"));
    QCOMPARE(window_->model().entry(200)->name(), QStringLiteral("More 12.syx A4"));
    QCOMPARE(window_->model().entry(260)->name(), QStringLiteral("More 15.syx D4"));
    QCOMPARE(window_->selection().size(), std::size_t(1));
    QCOMPARE(window_->selection()[0].name(), QStringLiteral("Clean.syx"));

    // A row past the first ones stays selected through a new search.
    select({QStringLiteral("More 14.syx B2")});
    shownRows = 2;
    explained.clear();
    window_->search();
    while (explained.size() < 2 && shown.wait(5000)) {}
    QCOMPARE(window_->selection().size(), std::size_t(1));
    QCOMPARE(window_->selection()[0].name(), QStringLiteral("More 14.syx B2"));
}

void TestLibraryWin::commandsFollowTheSelection()
{
    struct Row {
        QStringList selected;
        bool group;
        QStringList enabled; // the actions enabled, by object name
    };
    const QString lead = QStringLiteral("Lead.syx"), copy = QStringLiteral("Lead copy.syx"),
                  broken = QStringLiteral("Broken.syx"), a1 = QStringLiteral("Bank.syx A1");
    const QList<Row> rows{
        {{}, true, {}},
        {{lead},
         true,
         {"ActionOpen", "ActionCompareCurrent", "ActionHear", "ActionImport", "ActionShowInFileList", "ActionFavourite",
          "ActionTags", "ActionDelete"}},
        {{lead},
         false,
         {"ActionOpen", "ActionCompareCurrent", "ActionHear", "ActionShowInFileList", "ActionFavourite", "ActionTags",
          "ActionDelete"}},
        {{lead, a1}, true, {"ActionCompare", "ActionFavourite", "ActionTags", "ActionDelete"}},
        {{lead, copy, a1}, true, {"ActionFavourite", "ActionTags", "ActionDelete"}},
        {{broken}, true, {"ActionShowInFileList", "ActionDelete"}},
        {{broken, lead}, true, {"ActionFavourite", "ActionTags", "ActionDelete"}},
    };
    for (const Row &row : rows) {
        editor_.group = row.group;
        select(row.selected);
        QStringList enabled;
        for (QAction *a : window_->PopupMenuPresets->actions())
            if (!a->isSeparator() && a->isEnabled())
                enabled << a->objectName();
        QCOMPARE(enabled, row.enabled);
    }
}

void TestLibraryWin::commandsReachTheEditor()
{
    select({QStringLiteral("Bank.syx C2")});
    window_->ActionOpen->trigger();
    window_->ActionHear->trigger();
    window_->ActionImport->trigger();
    window_->ActionShowInFileList->trigger();
    QCOMPARE(editor_.calls, (QStringList{QStringLiteral("open Bank.syx 9"), QStringLiteral("hear 19"),
                                         QStringLiteral("import -1 19"), QStringLiteral("show Bank.syx")}));
    // Closing after something was heard gives the Amp the editor's preset back, once.
    editor_.calls.clear();
    window_->close();
    window_->close();
    QCOMPARE(editor_.calls, QStringList{QStringLiteral("editor")});

    // A row dragged carries its record for the tabs.
    const QModelIndex lead = window_->model().index(int(names().indexOf(QStringLiteral("Lead.syx"))), 0);
    std::unique_ptr<QMimeData> mime(window_->model().mimeData({lead}));
    QCOMPARE(mime->data(QLatin1String(PresetTabs::PresetMimeType)),
             QByteArray(reinterpret_cast<const char *>(record(2, 30).data()), 31));
    const QModelIndex brokenRow = window_->model().index(int(names().indexOf(QStringLiteral("Broken.syx"))), 0);
    QVERIFY(!(window_->model().flags(brokenRow) & Qt::ItemIsDragEnabled));
}

void TestLibraryWin::marksAndDelete()
{
    // A favourite goes by the record: its identical copy is one too.
    select({QStringLiteral("Lead.syx")});
    QSignalSpy shown(window_.get(), &LibraryWindow::shown);
    window_->ActionFavourite->trigger();
    QVERIFY(shown.wait(5000));
    QVERIFY2(window_->LabelExplanation->text().endsWith(
                 QStringLiteral(". Favourite: also marks 1 identical preset elsewhere.")),
             qPrintable(window_->LabelExplanation->text()));
    searchFor(QStringLiteral("is:fav"));
    QStringList favourites = names();
    favourites.sort();
    QCOMPARE(favourites, (QStringList{QStringLiteral("Lead copy.syx"), QStringLiteral("Lead.syx")}));

    // Delete asks first; No keeps the file.
    const QString data = dir_->filePath(QStringLiteral("data"));
    select({QStringLiteral("Lead.syx")});
    prompter_.answers = {Button::No};
    window_->ActionDelete->trigger();
    QCOMPARE(prompter_.shown.last().caption, QStringLiteral("Confirm File Delete"));
    QCOMPARE(prompter_.shown.last().text,
             QStringLiteral("Move '%1' and its note to the trash?").arg(data + QStringLiteral("/Lead.syx")));
    QVERIFY(QFile::exists(data + QStringLiteral("/Lead.syx")));
    // Yes: the file and its note go to the trash, and the row from the table.
    prompter_.answers = {Button::Yes};
    window_->ActionDelete->trigger();
    QVERIFY(!QFile::exists(data + QStringLiteral("/Lead.syx")));
    QVERIFY(!QFile::exists(data + QStringLiteral("/Lead.txt")));
    QVERIFY(QFile::exists(home_.filePath(QStringLiteral("Trash/files/Lead.syx"))));
    QVERIFY(QFile::exists(home_.filePath(QStringLiteral("Trash/files/Lead.txt"))));
    QTRY_COMPARE_WITH_TIMEOUT(names(), QStringList{QStringLiteral("Lead copy.syx")}, 5000);
}

void TestLibraryWin::compareWindow()
{
    Editor editor;
    Record b = record(2, 30);
    b[Mid] = 3;
    CompareWindow w(editor.hooks(), QStringLiteral("Lead"), record(2, 30), QStringLiteral("Other"), b);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(w.differences(), 1);
    auto visibleRows = [&] {
        QStringList rows;
        for (int r = 0; r < w.TableCompare->rowCount(); ++r)
            if (!w.TableCompare->isRowHidden(r))
                rows << w.TableCompare->item(r, 1)->text() + QLatin1Char('=') + w.TableCompare->item(r, 2)->text() +
                            QLatin1Char('/') + w.TableCompare->item(r, 3)->text();
        return rows;
    };
    QVERIFY(visibleRows().size() > 40);
    w.CheckBoxDifferences->setChecked(true);
    QCOMPARE(visibleRows(), QStringList{QStringLiteral("Mid=17/3")});
    w.CheckBoxDifferences->setChecked(false);
    QVERIFY(visibleRows().size() > 40);

    w.ButtonHearB->click();
    w.ButtonHearA->click();
    w.close();
    QCOMPARE(editor.calls,
             (QStringList{QStringLiteral("hear 30"), QStringLiteral("hear 30"), QStringLiteral("editor")}));
    // Nothing heard, nothing sent back.
    CompareWindow quiet(editor.hooks(), QStringLiteral("a"), b, QStringLiteral("b"), b);
    quiet.setAttribute(Qt::WA_DeleteOnClose, false);
    quiet.close();
    QCOMPARE(editor.calls.size(), 3);

    // The morph: the first step sends the whole preset, later ones what
    // changed; Keep makes it the editor's, and closing sends nothing back.
    Editor ear;
    ear.morphs = true;
    CompareWindow morph(ear.hooks(), QStringLiteral("Lead"), record(2, 30), QStringLiteral("Other"), b);
    morph.setAttribute(Qt::WA_DeleteOnClose, false);
    morph.ear->morph_->setValue(50);
    morph.ear->morph_->setValue(100);
    morph.ear->keep_->click();
    morph.close();
    QCOMPARE(ear.calls, (QStringList{QStringLiteral("hear 30"), QStringLiteral("change 10>3"),
                                     QStringLiteral("keep 3 Morph 100% from A to B")}));

    // Blind: X and Y are A and B in the order Reveal tells.
    ear.calls.clear();
    CompareWindow blind(ear.hooks(), QStringLiteral("Lead"), record(2, 30), QStringLiteral("Other"), b);
    blind.setAttribute(Qt::WA_DeleteOnClose, false);
    blind.ear->startBlindTest();
    blind.ear->hearBlind(0);
    blind.ear->hearBlind(1);
    QCOMPARE(ear.calls,
             (QStringList{QStringLiteral("hear 30"), // both have gain 30: Mid tells them apart
                          blind.ear->xIsA() ? QStringLiteral("change 17>3") : QStringLiteral("change 3>17")}));
    blind.ear->reveal();
    QCOMPARE(blind.ear->blindLabel_->text(),
             blind.ear->xIsA() ? QStringLiteral("X was A, Y was B") : QStringLiteral("X was B, Y was A"));
    blind.close();
}

void TestLibraryWin::duplicatesWindow()
{
    DuplicatesWindow w(*library_, prompter_, editor_.hooks());
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    auto groupsShown = [&] {
        QStringList out;
        for (int g = 0; g < w.TreeGroups->topLevelItemCount(); ++g) {
            QTreeWidgetItem *top = w.TreeGroups->topLevelItem(g);
            QStringList members;
            for (int c = 0; c < top->childCount(); ++c)
                members << top->child(c)->text(0);
            out << top->text(0) + QStringLiteral(": ") + members.join(QStringLiteral(", "));
        }
        return out;
    };
    QSignalSpy shown(&w, &DuplicatesWindow::shown);
    QVERIFY(shown.wait(5000));
    // Within two parameters: the leads, and the bank's neighbours (gain one
    // apart) link all sixteen slots.
    QCOMPARE(groupsShown().size(), 2);
    QCOMPARE(groupsShown()[0].left(20), QStringLiteral("Alike: 16 presets: B"));
    QCOMPARE(groupsShown()[1], QStringLiteral("Alike: 3 presets: Lead copy.syx, Lead.syx, Lead warmer.syx"));
    QCOMPARE(w.TreeGroups->topLevelItem(1)->child(2)->text(2), QStringLiteral("PreGain"));

    w.SpinDifferences->setValue(0);
    w.findDuplicates();
    QVERIFY(shown.wait(5000));
    QCOMPARE(groupsShown(), QStringList{QStringLiteral("Identical: 2 presets: Lead copy.syx, Lead.syx")});
    w.TreeGroups->topLevelItem(0)->child(1)->setSelected(true);
    QVERIFY(w.ButtonOpen->isEnabled());
    w.ButtonOpen->click();
    QCOMPARE(editor_.calls, QStringList{QStringLiteral("open Lead.syx -1")});

    // A search that cannot run says why rather than "No duplicates.".
    Library unopened(dir_->filePath(QStringLiteral("unopened.sqlite")));
    DuplicatesWindow early(unopened, prompter_, editor_.hooks());
    early.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy earlyShown(&early, &DuplicatesWindow::shown);
    QVERIFY(earlyShown.wait(5000));
    QCOMPARE(early.LabelStatus->text(), QStringLiteral("The library is being opened."));
}

QTEST_MAIN(TestLibraryWin)
#include "tst_librarywin.moc"

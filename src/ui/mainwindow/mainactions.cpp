// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/mainactions.h"

#include "filelist/filelistpanel.h"
#include "mainwindow/mainwindow.h"
#include "model/presetrecord.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <utility>

namespace {

// The desktop's usual keys work beside the program's own. The own key stays
// first, so the menu shows it. Desktops without a key of their own for a
// command (plain X11 has none for Quit) get the common one.
struct StandardKey {
    const char *id;
    QKeySequence::StandardKey key;
    QKeySequence common;
};
const StandardKey StandardKeys[] = {
    {"Open1", QKeySequence::Open, QKeySequence(Qt::CTRL | Qt::Key_O)},
    {"Save1", QKeySequence::Save, QKeySequence(Qt::CTRL | Qt::Key_S)},
    {"Exit1", QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
};

QList<QKeySequence> shortcutsOf(const MainAction &row)
{
    QList<QKeySequence> keys;
    if (!row.shortcut.isEmpty())
        keys << row.shortcut;
    for (const StandardKey &standard : StandardKeys) {
        if (qstrcmp(standard.id, row.id) != 0)
            continue;
        QList<QKeySequence> desktop = QKeySequence::keyBindings(standard.key);
        if (desktop.isEmpty())
            desktop << standard.common;
        for (const QKeySequence &key : std::as_const(desktop))
            if (!keys.contains(key))
                keys << key;
    }
    return keys;
}

} // namespace

const std::vector<MainMenu> &mainMenus()
{
    static const std::vector<MainMenu> menus = {
        {"File1", QT_TRANSLATE_NOOP("MainWindow", "&File")},
        {"Edit1", QT_TRANSLATE_NOOP("MainWindow", "&Edit")},
        {"View1", QT_TRANSLATE_NOOP("MainWindow", "&View")},
        {"Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Transfer")},
        {"Help1", QT_TRANSLATE_NOOP("MainWindow", "&Help")},
    };
    return menus;
}

const std::vector<MainAction> &mainActions()
{
    using K = MainAction::Kind;
    using E = EnabledWhen;
    using W = MainWindow;
    const QKeySequence none;
    static const std::vector<MainAction> actions = {
        {K::Command, "Open1", "File1", QT_TRANSLATE_NOOP("MainWindow", "&Open"), none, E::Always, &W::openFile, false,
         nullptr},
        {K::Command, "ImportSingletoTab", "File1", QT_TRANSLATE_NOOP("MainWindow", "&Import Single to Tab"), none,
         E::GroupView, &W::importPresetToTab, false, nullptr},
        {K::Separator, nullptr, "File1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "New1", "File1", QT_TRANSLATE_NOOP("MainWindow", "&New Preset"), none, E::Always, &W::newPreset,
         false, nullptr},
        {K::Command, "NewGroup1", "File1", QT_TRANSLATE_NOOP("MainWindow", "New &Group"), none, E::Always, &W::newGroup,
         false, nullptr},
        {K::Separator, nullptr, "File1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "InfoMain", "File1", QT_TRANSLATE_NOOP("MainWindow", "In&fo"), none, E::HasFile, &W::editNotes,
         false, nullptr},
        {K::Separator, nullptr, "File1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "Save1", "File1", QT_TRANSLATE_NOOP("MainWindow", "&Save"), QKeySequence(Qt::Key_F2),
         E::NotComparing, &W::save, false, nullptr},
        {K::Command, "SaveAs1", "File1", QT_TRANSLATE_NOOP("MainWindow", "Save &As"), none, E::NotComparing, &W::saveAs,
         false, nullptr},
        {K::Command, "SaveBack", "File1", QT_TRANSLATE_NOOP("MainWindow", "Save &Back (original path)"), none,
         E::SaveElsewhereNotComparing, &W::saveBack, false, nullptr},
        {K::Command, "SaveCurrentTab1", "File1", QT_TRANSLATE_NOOP("MainWindow", "Save Current &Tab"), none,
         E::GroupViewNotComparing, &W::saveCurrentTab, false, nullptr},
        {K::Separator, nullptr, "File1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "Exit1", "File1", QT_TRANSLATE_NOOP("MainWindow", "E&xit"), QKeySequence(Qt::ALT | Qt::Key_X),
         E::Always, &W::quit, false, nullptr},

        {K::Command, "FileListView", "View1", QT_TRANSLATE_NOOP("MainWindow", "&File List"), none, E::Always,
         &W::toggleFileList, true, nullptr},
        {K::Command, "ToolbarView", "View1", QT_TRANSLATE_NOOP("MainWindow", "&Tool Bar"), none, E::Always,
         &W::toggleToolBar, true, nullptr},
        {K::Separator, nullptr, "View1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "MIDIPortSelect1", "View1", QT_TRANSLATE_NOOP("MainWindow", "&MIDI Port Select"),
         QKeySequence(Qt::CTRL | Qt::Key_M), E::Always, &W::selectMidiPorts, false, nullptr},
        {K::Command, "GlobalWindow1", "View1", QT_TRANSLATE_NOOP("MainWindow", "&Global Window"),
         QKeySequence(Qt::CTRL | Qt::Key_G), E::Always, &W::showGlobals, false, nullptr},
        {K::Command, "Library1", "View1", QT_TRANSLATE_NOOP("MainWindow", "&Library"),
         QKeySequence(Qt::CTRL | Qt::Key_L), E::Always, &W::showLibrary, false, nullptr},
        {K::Command, "Setlist", "View1", QT_TRANSLATE_NOOP("MainWindow", "S&etlist"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L), E::Always, &W::showSetlist, false, nullptr},
        {K::Command, "AmpWindow", "View1", QT_TRANSLATE_NOOP("MainWindow", "&Amp"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), E::Always, &W::showAmpWindow, false, nullptr},
        {K::Separator, nullptr, "View1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "DefaultView1", "View1", QT_TRANSLATE_NOOP("MainWindow", "&Default View"),
         QKeySequence(Qt::CTRL | Qt::Key_D), E::Always, &W::restoreDefaultView, false, nullptr},
        {K::Command, "AutoSplit", "View1", QT_TRANSLATE_NOOP("MainWindow", "A&uto Split"), none, E::Always,
         &W::toggleAutoSplit, true, nullptr},
        {K::Separator, nullptr, "View1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "RefreshFileList1", "View1", QT_TRANSLATE_NOOP("MainWindow", "&Refresh File List"),
         QKeySequence(Qt::Key_F5), E::Always, &W::refreshFileList, false, nullptr},
        {K::Separator, nullptr, "View1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "EnterTuner1", "View1", QT_TRANSLATE_NOOP("MainWindow", "E&nter Tuner"), none, E::Always,
         &W::enterTuner, false, nullptr},

        {K::FetchSlotMenu, "PresetfromAmp1", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Preset from Amp"), none,
         E::Always, nullptr, false, nullptr},
        {K::Command, "GroupfromAmp1", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Group from Amp"), none, E::Always,
         &W::fetchGroup, false, nullptr},
        {K::Separator, nullptr, "Transfer1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::WriteSlotMenu, "PresettoAmp1", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "Preset &to Amp"), none,
         E::Always, nullptr, false, nullptr},
        {K::Command, "GrouptoAmp", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "Group t&o Amp"), none, E::GroupView,
         &W::writeGroup, false, nullptr},
        {K::Separator, nullptr, "Transfer1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "SyncwithAmp1", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Sync with Amp"), none, E::Always,
         &W::syncWithAmp, false, nullptr},
        {K::Command, "EditordatatoAmp1", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Editor data to Amp"), none,
         E::Always, &W::sendEditorToAmp, false, nullptr},
        {K::Command, "CheckTheAmp", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Check the Amp"), none, E::Always,
         &W::checkTheAmp, false, nullptr},
        {K::Separator, nullptr, "Transfer1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "BackUpBeforeWriting", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Back Up Amp Before Writing"),
         none, E::Always, &W::toggleBackUpBeforeWriting, true, nullptr},
        {K::Command, "RestoreAmpBackup", "Transfer1", QT_TRANSLATE_NOOP("MainWindow", "&Restore Amp Backup..."), none,
         E::Always, &W::restoreAmpBackup, false, nullptr},

        {K::Command, "About1", "Help1", QT_TRANSLATE_NOOP("MainWindow", "&About"), none, E::Always, &W::showAbout,
         false, nullptr},

        {K::Command, "ToolButtonOpen", "ToolBar1", QT_TRANSLATE_NOOP("MainWindow", "File: Open"), none, E::Always,
         &W::openFile, false, "open"},
        {K::Command, "ToolButtonSave", "ToolBar1", QT_TRANSLATE_NOOP("MainWindow", "File: Save"), none, E::NotComparing,
         &W::save, false, "save"},
        {K::Separator, nullptr, "ToolBar1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "ToolButtonMIDI", "ToolBar1", QT_TRANSLATE_NOOP("MainWindow", "View: MIDI Port Select"), none,
         E::Always, &W::selectMidiPorts, false, "midi"},
        {K::Command, "ToolButtonGlobal", "ToolBar1", QT_TRANSLATE_NOOP("MainWindow", "View: Global Window"), none,
         E::Always, &W::showGlobals, false, "globals"},
        {K::Command, "ToolButtonDefaultView", "ToolBar1", QT_TRANSLATE_NOOP("MainWindow", "View: Default View"), none,
         E::Always, &W::restoreDefaultView, false, "defaultview"},
        {K::Separator, nullptr, "ToolBar1", nullptr, none, E::Always, nullptr, false, nullptr},
        {K::Command, "ToolButtonSendEdits", "ToolBar1", QT_TRANSLATE_NOOP("MainWindow", "Transfer: Editor Data to Amp"),
         none, E::NotComparing, &W::sendEditorToAmp, false, "sendedits"},
        {K::Command, "ToolButtonTuner", "ToolBar1", QT_TRANSLATE_NOOP("MainWindow", "Enter Tuner"), none, E::Always,
         &W::enterTuner, false, "tuner"},
    };
    return actions;
}

// ---- The table on the window

void MainWindow::connectHandler(QAction *action, void (MainWindow::*handler)())
{
    connectCommand(action, [this, handler] { (this->*handler)(); });
}

void MainWindow::connectCommand(QAction *action, std::function<void()> command)
{
    handled_.insert(action);
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] { run(command); });
}

void MainWindow::buildActions()
{
    QHash<QByteArray, QMenu *> menus;
    for (const MainMenu &m : mainMenus()) {
        QMenu *menu = menuBar()->addMenu(tr(m.caption));
        menu->setObjectName(QLatin1String(m.id));
        menus.insert(m.id, menu);
    }
    editMenu_ = menus.value("Edit1");
    transferMenu_ = menus.value("Transfer1");
    helpMenu_ = menus.value("Help1");

    toolBar_ = addToolBar(tr("Tool Bar"));
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);

    for (const MainAction &row : mainActions()) {
        const bool onToolBar = qstrcmp(row.place, "ToolBar1") == 0;
        QMenu *menu = menus.value(row.place);
        const QString caption = tr(row.caption);
        switch (row.kind) {
        case MainAction::Kind::Separator:
            if (onToolBar)
                toolBar_->addSeparator();
            else
                menu->addSeparator();
            continue;
        case MainAction::Kind::FetchSlotMenu:
        case MainAction::Kind::WriteSlotMenu: {
            const bool fetch = row.kind == MainAction::Kind::FetchSlotMenu;
            QMenu *slotMenu = menu->addMenu(caption);
            slotMenu->setObjectName(QLatin1String(row.id));
            for (int slot = 0; slot < preset::SlotCount; ++slot) {
                if (slot > 0 && slot % 4 == 0)
                    slotMenu->addSeparator();
                QAction *a = slotMenu->addAction(preset::slotName(slot));
                // NA1..ND4 fetch, A1..D4 write: one command per slot.
                a->setObjectName((fetch ? QStringLiteral("N") : QString()) + preset::slotName(slot) +
                                 QLatin1String("1"));
                if (fetch)
                    connectCommand(a, [this, slot] { session_->fetches().presetFromAmp(slot); });
                else
                    connectCommand(a, [this, slot] { session_->writes().presetToAmp(slot); });
                enableIfBuilt(a, true);
            }
            continue;
        }
        case MainAction::Kind::Command: break;
        }
        QAction *a = nullptr;
        if (onToolBar) {
            a = toolBar_->addAction(QIcon(QStringLiteral(":/app/%1.png").arg(QLatin1String(row.image))), caption);
            a->setToolTip(caption);
            if (QWidget *w = toolBar_->widgetForAction(a))
                w->setFixedWidth(25);
        } else {
            a = menu->addAction(caption);
            a->setShortcuts(shortcutsOf(row));
        }
        a->setObjectName(QLatin1String(row.id));
        a->setCheckable(row.checkable);
        actions_.insert(row.id, a);
        // A checkable action has inverted its check before its handler runs.
        connectHandler(a, row.handler);
        enableIfBuilt(a, true);
    }
    action("FileListView")->setChecked(true);
    action("ToolbarView")->setChecked(true);
}

QAction *MainWindow::action(const char *id) const
{
    QAction *a = actions_.value(id);
    Q_ASSERT(a);
    return a;
}

void MainWindow::enableIfBuilt(QAction *action, bool on)
{
    if (!action->isSeparator() && !action->menu())
        action->setEnabled(on && handled_.contains(action));
}

void MainWindow::updateActions()
{
    const bool comparing = session_->editor().comparing();
    const bool group = session_->editor().isGroupView();
    const Document &doc = session_->document();
    for (const MainAction &row : mainActions()) {
        if (row.kind != MainAction::Kind::Command)
            continue;
        bool on = true;
        switch (row.enabledWhen) {
        case EnabledWhen::Always: break;
        case EnabledWhen::GroupView: on = group; break;
        case EnabledWhen::NotComparing: on = !comparing; break;
        case EnabledWhen::GroupViewNotComparing: on = group && !comparing; break;
        case EnabledWhen::SaveElsewhereNotComparing: on = doc.saveElsewhere() && !comparing; break;
        case EnabledWhen::HasFile: on = !doc.filePath().isEmpty(); break;
        }
        enableIfBuilt(action(row.id), on);
    }
    // While Compare plays the stored preset, nothing is sent from it.
    transferMenu_->menuAction()->setEnabled(!comparing);
    PanelList->setImportEnabled(group);
}

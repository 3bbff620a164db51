// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's views: the tool bar and the file list shown or hidden,
// the split between the list and the editor, the window's size, and the
// settings that keep them.
#include "filelist/filelistpanel.h"
#include "library/library.h"
#include "mainwindow/mainwindow.h"
#include "session/apppaths.h"
#include "session/sessionsettings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QSplitter>
#include <QToolBar>

FormSettings MainWindow::settingsDefaults() const
{
    FormSettings defaults;
    defaults.width = designSize_.width();
    defaults.height = designSize_.height();
    defaults.split = designSplit_;
    return defaults;
}

void MainWindow::readSettings()
{
    const FormSettings s = settings_.read(settingsDefaults());

    // Set each check to the opposite and toggle, so check and view agree.
    action("ToolbarView")->setChecked(!s.viewToolBar);
    action("ToolbarView")->trigger();
    action("AutoSplit")->setChecked(!s.autoSplit);
    action("AutoSplit")->trigger();

    // A size from a damaged or hand-edited file stays on the screen: a
    // window larger than any screen takes the machine's memory with it.
    QSize stored(s.width, s.height);
    const QScreen *screen = QGuiApplication::primaryScreen();
    stored = stored.boundedTo(screen ? screen->availableGeometry().size() : designSize_);
    resize(stored.expandedTo(minimumSizeHint()));
    normalSize_ = size();
    // The position is not stored: centred on the desktop.
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
    if (s.state == 1)
        setWindowState(Qt::WindowMinimized);
    else if (s.state == 2)
        setWindowState(Qt::WindowMaximized);
    // The editor keeps its designed width beside the list.
    setPanelWidth(std::min(s.split, std::max(MinPanelWidth, width() - GroupBoxDesignWidth)));

    // With no data folder stored, an installed program started from a menu
    // (working folder "/" or its own) lists the user's folder instead.
    const QString startFolder =
        s.dataDir.isEmpty() ? AppPaths::startFolder(QDir::currentPath(), QCoreApplication::applicationFilePath())
                            : QString();
    sessionsettings::apply(*session_, s, settings_.path(), startFolder);
    PanelList->refresh();
    action("BackUpBeforeWriting")->setChecked(s.backupBeforeWrite);
    // The data folder is the one the file list starts in; where the list
    // goes afterwards (opening a file elsewhere, Show in File List) does not
    // take the library with it.
    library_->setDataFolder(session_->document().workingDirectory());
    library_->setBackupsFolder(session_->backups().folder());
}

int MainWindow::panelWidth() const
{
    if (PanelList->isVisible())
        return splitter_->sizes().value(0, panelWidth_);
    return panelWidth_;
}

void MainWindow::setPanelWidth(int width)
{
    panelWidth_ = std::max(width, MinPanelWidth);
    const int rest = std::max(1, splitter_->width() - panelWidth_ - splitter_->handleWidth());
    splitter_->setSizes({panelWidth_, rest});
}

void MainWindow::toggleToolBar()
{
    toolBar_->setVisible(action("ToolbarView")->isChecked());
}

void MainWindow::toggleFileList()
{
    if (!action("FileListView")->isChecked())
        panelWidth_ = panelWidth();
    PanelList->setVisible(action("FileListView")->isChecked());
    if (action("FileListView")->isChecked())
        setPanelWidth(panelWidth_);
}

void MainWindow::restoreDefaultView()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    toolBar_->setVisible(true);
    action("ToolbarView")->setChecked(true);
    PanelList->setVisible(true);
    action("FileListView")->setChecked(true);
    resize(designSize_);
    setPanelWidth(designSplit_);
}

void MainWindow::toggleAutoSplit()
{
    if (action("AutoSplit")->isChecked())
        computeSplit();
}

void MainWindow::computeSplit()
{
    setPanelWidth(std::max(MinPanelWidth, width() - GroupBoxDesignWidth - 18));
}

void MainWindow::splitterMoved(int pos, int)
{
    if (pos <= MinPanelWidth) {
        setPanelWidth(MinPanelWidth + 1);
        splitter_->update();
    } else {
        panelWidth_ = splitter_->sizes().value(0, pos);
    }
}

void MainWindow::splitIfAuto()
{
    if (action("AutoSplit")->isChecked())
        computeSplit();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        normalSize_ = size();
    run([this] { splitIfAuto(); });
}

QSize MainWindow::normalSize() const
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return normalSize_;
    return size();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/mainwindow.h"

#include "dialogs/aboutdialog.h"
#include "session/apppaths.h"
#include "mainwindow/editmenu.h"
#include "session/handover.h"
#include "mainwindow/librarylink.h"
#include "dialogs/qtprompter.h"
#include "session/singleinstance.h"
#include "ampsim/builtinampbackend.h"
#include "editor/editorpanel.h"
#include "filelist/filelistpanel.h"
#include "globals/globalswindow.h"
#include "library/library.h"
#include "model/quorvexerror.h"
#include "library/libraryprogress.h"
#include "library/librarywindow.h"
#include "midi/rtmidibackend.h"
#include "session/prompter.h"
#include "tuner/tunerwindow.h"
#include "dialogs/notesdialog.h"
#include "dialogs/midiportsdialog.h"
#include "mainwindow/linkstatus.h"
#include "dialogs/syncdialog.h"
#include "mainwindow/virtualampmenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

static void initResources()
{
    // The images live in a static library; make sure the linker keeps them.
    Q_INIT_RESOURCE(app);
}

namespace {

// At start a port that was chosen is opened; true when that failed (the
// port is then closed again).
template <class Port>
bool openAtStart(Port &port)
{
    if (port.Port() == -1)
        return false;
    port.setEnabled(true);
    if (port.openResult() == 0)
        return false;
    port.setEnabled(false);
    return true;
}

// ALSA numbers its clients in the order they appear, so a device plugged in
// again may come back as "Name:Port 28:0" instead of "Name:Port 24:0".
QString withoutClientNumbers(const QString &name)
{
    static const QRegularExpression numbers(QStringLiteral("\\s+\\d+:\\d+$"));
    return QString(name).remove(numbers);
}

} // namespace

MainWindow::MainWindow(Options options, QWidget *parent)
    : QMainWindow(parent),
      prompter_(options.prompter ? std::move(options.prompter) : std::make_unique<QtPrompter>()),
      session_(std::make_unique<Session>(
          options.backend ? std::move(options.backend)
                          : std::make_unique<BuiltInAmpBackend>(std::make_unique<RtMidiBackend>()),
          *prompter_)),
      settings_(options.iniPath.isEmpty() ? Settings::defaultPath() : options.iniPath),
      arguments_(options.arguments),
      autoStart_(options.autoStart)
{
    initResources();
    library_ = std::make_unique<Library>(options.libraryIndex);
    if (auto *qt = dynamic_cast<QtPrompter *>(prompter_.get()))
        qt->setFallbackParent(this);

    // The window design.
    // Title bars and task bars show it small; an icon file is decoded when it
    // is added, and the large image would cost more than the whole menu bar.
    setWindowIcon(QIcon(QStringLiteral(":/app/quorvex64.png")));
    setContextMenuPolicy(Qt::NoContextMenu); // the tool bar is switched from the View menu only
    setAcceptDrops(true);
    buildMenus();
    buildToolBar();
    editActions_ = new EditMenu(*session_, editMenu_, toolBar_, this);
    buildPanels();
    connectSession();
    addVirtualAmp();
    libraryLink_ = std::make_unique<LibraryLink>(*session_, *PanelList, FileListView,
                                                 [this](const std::function<void()> &body) { return run(body); });
    libraryLink_->connectTabs(editorPanel_->presetTabs);
    showTitle();
    designSize_ = QSize(ClientWidth,
                        ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    resize(designSize_);
    normalSize_ = designSize_;
    designSplit_ = DesignSplit;
    setPanelWidth(designSplit_);

    readSettings();

    if (!options.serverName.isEmpty()) {
        instance_ = std::make_unique<SingleInstance>(options.serverName);
        connect(instance_.get(), &SingleInstance::handOver, this,
                [this](const QString &text) { copyDataReceived(text); }, Qt::QueuedConnection);
        if (!instance_->listen())
            qWarning("Quorvex: cannot serve %s; a second start will open another window",
                     qPrintable(options.serverName));
    }
}

// The panel's connections end with it, so the widgets may outlive the session.
MainWindow::~MainWindow()
{
    // Its windows go before the library they show.
    delete libraryWindow_;
}

void MainWindow::connectHandler(QAction *action, void (MainWindow::*handler)())
{
    connectCommand(action, [this, handler] { (this->*handler)(); });
}

void MainWindow::connectCommand(QAction *action, std::function<void()> command)
{
    handled_.insert(action);
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] { run(command); });
}

void MainWindow::connectSession()
{
    CommandQueue &queue = session_->queue();
    // The queue waits while any of our dialogs is open, the tuner included,
    // and goes on when the last one closes (WindowUnblocked, see event()).
    queue.setDialogOpen([this] {
        return startingUp_ || QApplication::activeModalWidget() != nullptr || (tunerWindow_ && tunerWindow_->isVisible());
    });
    connect(&queue, &CommandQueue::waitingForAmp, this, [this](bool waiting) {
        if (waiting)
            showStatusMessage(QStringLiteral("Waiting for the Amp..."), 0);
        else if (StatusMessage->text() == QStringLiteral("Waiting for the Amp..."))
            showStatusMessage(QString(), 0);
    });
    connect(&session_->writes(), &PresetWrites::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, StatusMessageMs); });
    connect(&session_->check(), &AmpCheck::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, StatusMessageMs); });
    connect(editActions_, &EditMenu::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, StatusMessageMs); });
    // While Compare plays the stored preset, nothing is saved or sent from it.
    connect(&session_->editor(), &PresetEditor::comparingChanged, this, &MainWindow::showComparing);

    AmpLink &link = session_->link();
    connect(&link, &AmpLink::ampStatusChanged, this, &MainWindow::showAmpStatus);
    connect(&session_->sync(), &AmpSync::ampNotFound, this, &MainWindow::showAmpStatus);
    connect(StatusLink, &LinkStatus::syncRequested, this, [this] { run([this] { syncWithAmp(); }); });
    connect(&session_->sync(), &AmpSync::firmwareAdapted, editorPanel_, &EditorPanel::AdaptToFirmware);

    Document &doc = session_->document();
    connect(&doc, &Document::titleChanged, this, &MainWindow::showTitle);
    // Unsaved work shows in the title, the way the desktop shows it.
    connect(&doc, &Document::modifiedChanged, this, &QWidget::setWindowModified);
    connect(&doc, &Document::saveElsewhereChanged, this,
            [this](bool on) { enableIfBuilt(SaveBack, on && !session_->editor().comparing()); });
    DocumentFiles &files = session_->files();
    // The list names the file; the files object opens it, questions and all.
    connect(PanelList, &FileListPanel::openRequested, this,
            [this](const QString &path) { run([&] { session_->files().openFromList(path); }); });
    connect(PanelList, &FileListPanel::importRequested, this,
            [this](const QString &path) { run([&] { session_->files().importFromList(path); }); });
    connect(PanelList, &FileListPanel::resetPathFromIniRequested, this, [this] {
        run([&] { PanelList->setPath(settings_.read(FormSettings()).dataDir); });
    });
    connect(&files, &DocumentFiles::listRefreshWanted, PanelList, &FileListPanel::refresh);
    connect(&session_->editor(), &PresetEditor::viewChanged, this,
            [this](PresetEditor::View view) { showViewItems(view == PresetEditor::View::Group); });
    showViewItems(session_->editor().isGroupView());
    enableIfBuilt(SaveBack, doc.saveElsewhere());
    connect(&files, &DocumentFiles::globalFileChosen, this,
            [this](const QString &path) { run([&] { openGlobalFile(path); }); });
}

TunerWindow &MainWindow::tunerWindow()
{
    if (tunerWindow_)
        return *tunerWindow_;
    tunerWindow_ = std::make_unique<TunerWindow>(session_->globals(), session_->queue());
    // While the tuner is up the main window takes no input.
    connect(tunerWindow_.get(), &TunerWindow::entered, this, [this] { setEnabled(false); });
    connect(tunerWindow_.get(), &TunerWindow::left, this, [this] {
        setEnabled(true);
        setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        bringToFront();
        session_->queue().kick();
    });
    return *tunerWindow_;
}

void MainWindow::showComparing(bool on)
{
    for (QAction *a : {saveAction_, saveAsAction_, saveCurrentTabAction_, ToolButtonSave, ToolButtonSendEdits})
        enableIfBuilt(a, !on && (a != saveCurrentTabAction_ || session_->editor().isGroupView()));
    enableIfBuilt(SaveBack, !on && session_->document().saveElsewhere());
    transferMenu_->menuAction()->setEnabled(!on);
}

void MainWindow::addVirtualAmp()
{
    auto *builtIn = dynamic_cast<BuiltInAmpBackend *>(&session_->link().backend());
    if (!builtIn)
        return;
    menuBar()->insertMenu(helpMenu_->menuAction(), new VirtualAmpMenu(*builtIn, *prompter_, this));
    connect(builtIn, &BuiltInAmpBackend::usageChanged, StatusLink,
            [this, builtIn] { StatusLink->setVirtualAmp(builtIn->inputInUse() || builtIn->outputInUse()); });
}

void MainWindow::showStatusMessage(const QString &text, int ms)
{
    StatusMessage->setText(text);
    if (ms > 0)
        statusMessageTimer_.start(ms);
    else
        statusMessageTimer_.stop();
}

void MainWindow::showAmpStatus()
{
    const AmpLink &link = session_->link();
    if (!link.isAmpFound() || link.devicesChanged()) {
        StatusLink->setFirmware(QString());
    } else if (link.isAnswering()) {
        // "Found Amp - Version 1.4 G" becomes "Amp 1.4 G".
        StatusLink->setFirmware(QStringLiteral("Amp ") + SyncDialog::foundText(link.firmwareVersion(), link.gVariant())
                                                             .section(QLatin1Char(' '), 4));
    } else {
        StatusLink->setFirmware(QStringLiteral("Amp not answering"),
                                QStringLiteral("The Amp did not answer the last request; check its cable and power"));
    }
    StatusLink->setSyncOffered(link.syncOffered());
}

void MainWindow::buildMenus()
{
    auto item = [this](QMenu *menu, const char *name, const QString &caption,
                       const QKeySequence &shortcut = QKeySequence()) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        return a;
    };

    auto menu = [this](const char *name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    fileMenu_ = menu("File1", QStringLiteral("&File"));
    openAction_ = item(fileMenu_, "Open1", QStringLiteral("&Open"));
    ImportSingletoTab = item(fileMenu_, "ImportSingletoTab", QStringLiteral("Import Single to Tab"));
    fileMenu_->addSeparator();
    newAction_ = item(fileMenu_, "New1", QStringLiteral("New Preset"));
    newGroupAction_ = item(fileMenu_, "NewGroup1", QStringLiteral("New Group"));
    fileMenu_->addSeparator();
    InfoMain = item(fileMenu_, "InfoMain", QStringLiteral("Info"));
    fileMenu_->addSeparator();
    saveAction_ = item(fileMenu_, "Save1", QStringLiteral("&Save"), QKeySequence(Qt::Key_F2));
    saveAsAction_ = item(fileMenu_, "SaveAs1", QStringLiteral("Save &As"));
    SaveBack = item(fileMenu_, "SaveBack", QStringLiteral("Save Back (original path)"));
    saveCurrentTabAction_ = item(fileMenu_, "SaveCurrentTab1", QStringLiteral("Save Current Tab"));
    fileMenu_->addSeparator();
    exitAction_ = item(fileMenu_, "Exit1", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X));

    // Filled by EditMenu once the tool bar is there.
    editMenu_ = menu("Edit1", QStringLiteral("&Edit"));

    viewMenu_ = menu("View1", QStringLiteral("&View"));
    FileListView = item(viewMenu_, "FileListView", QStringLiteral("File List"));
    ToolbarView = item(viewMenu_, "ToolbarView", QStringLiteral("Tool Bar"));
    viewMenu_->addSeparator();
    midiPortsAction_ = item(viewMenu_, "MIDIPortSelect1", QStringLiteral("MIDI Port Select"), QKeySequence(Qt::CTRL | Qt::Key_M));
    globalsAction_ = item(viewMenu_, "GlobalWindow1", QStringLiteral("Global Window"), QKeySequence(Qt::CTRL | Qt::Key_G));
    libraryAction_ = item(viewMenu_, "Library1", QStringLiteral("Library"), QKeySequence(Qt::CTRL | Qt::Key_L));
    viewMenu_->addSeparator();
    defaultViewAction_ = item(viewMenu_, "DefaultView1", QStringLiteral("Default View"), QKeySequence(Qt::CTRL | Qt::Key_D));
    AutoSplit = item(viewMenu_, "AutoSplit", QStringLiteral("Auto Split"));
    viewMenu_->addSeparator();
    refreshFileListAction_ = item(viewMenu_, "RefreshFileList1", QStringLiteral("Refresh File List"), QKeySequence(Qt::Key_F5));
    viewMenu_->addSeparator();
    enterTunerAction_ = item(viewMenu_, "EnterTuner1", QStringLiteral("Enter Tuner"));

    transferMenu_ = menu("Transfer1", QStringLiteral("&Transfer"));
    presetFromAmpMenu_ = transferMenu_->addMenu(QStringLiteral("Preset from Amp"));
    presetFromAmpMenu_->setObjectName(QStringLiteral("PresetfromAmp1"));
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        if (slot > 0 && slot % 4 == 0)
            presetFromAmpMenu_->addSeparator();
        PresetFromAmp[slot] = presetFromAmpMenu_->addAction(preset::slotName(slot));
        PresetFromAmp[slot]->setObjectName(QLatin1Char('N') + preset::slotName(slot) + QLatin1String("1"));
    }
    groupFromAmpAction_ = item(transferMenu_, "GroupfromAmp1", QStringLiteral("Group from Amp"));
    transferMenu_->addSeparator();
    presetToAmpMenu_ = transferMenu_->addMenu(QStringLiteral("Preset to Amp"));
    presetToAmpMenu_->setObjectName(QStringLiteral("PresettoAmp1"));
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        if (slot > 0 && slot % 4 == 0)
            presetToAmpMenu_->addSeparator();
        PresetToAmp[slot] = presetToAmpMenu_->addAction(preset::slotName(slot));
        PresetToAmp[slot]->setObjectName(preset::slotName(slot) + QLatin1String("1"));
    }
    GrouptoAmp = item(transferMenu_, "GrouptoAmp", QStringLiteral("Group to Amp"));
    transferMenu_->addSeparator();
    syncAction_ = item(transferMenu_, "SyncwithAmp1", QStringLiteral("Sync with Amp"));
    sendEditorAction_ = item(transferMenu_, "EditordatatoAmp1", QStringLiteral("Editor data to Amp"));
    CheckTheAmp = item(transferMenu_, "CheckTheAmp", QStringLiteral("Check the Amp"));
    transferMenu_->addSeparator();
    BackUpBeforeWriting = item(transferMenu_, "BackUpBeforeWriting", QStringLiteral("Back Up Amp Before Writing"));
    BackUpBeforeWriting->setCheckable(true);
    RestoreAmpBackup = item(transferMenu_, "RestoreAmpBackup", QStringLiteral("Restore Amp Backup..."));

    helpMenu_ = menu("Help1", QStringLiteral("&Help"));
    aboutAction_ = item(helpMenu_, "About1", QStringLiteral("About"));

    for (QAction *a : {FileListView, ToolbarView, AutoSplit})
        a->setCheckable(true);
    FileListView->setChecked(true);
    ToolbarView->setChecked(true);

    // A checkable action has inverted its check before these run.
    connectHandler(ToolbarView, &MainWindow::toggleToolBar);
    connectHandler(FileListView, &MainWindow::toggleFileList);
    connectHandler(AutoSplit, &MainWindow::toggleAutoSplit);
    connectHandler(defaultViewAction_, &MainWindow::restoreDefaultView);
    connectHandler(midiPortsAction_, &MainWindow::selectMidiPorts);
    connectHandler(globalsAction_, &MainWindow::showGlobals);
    connectHandler(enterTunerAction_, &MainWindow::enterTuner);
    connectHandler(libraryAction_, &MainWindow::showLibrary);
    connectHandler(newAction_, &MainWindow::newPreset);
    connectHandler(newGroupAction_, &MainWindow::newGroup);
    connectHandler(sendEditorAction_, &MainWindow::sendEditorToAmp);
    connectHandler(CheckTheAmp, &MainWindow::checkTheAmp);
    connectHandler(exitAction_, &MainWindow::quit);
    connectHandler(aboutAction_, &MainWindow::showAbout);
    connectHandler(openAction_, &MainWindow::openFile);
    connectHandler(groupFromAmpAction_, &MainWindow::fetchGroup);
    connectHandler(GrouptoAmp, &MainWindow::writeGroup);
    connectHandler(syncAction_, &MainWindow::syncWithAmp);
    connectHandler(BackUpBeforeWriting, &MainWindow::toggleBackUpBeforeWriting);
    connectHandler(RestoreAmpBackup, &MainWindow::restoreAmpBackup);
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        // NA1Click..ND4Click and A1Click..D4Click: one fetch and one write per slot.
        connectCommand(PresetFromAmp[slot], [this, slot] { session_->fetches().presetFromAmp(slot); });
        connectCommand(PresetToAmp[slot], [this, slot] { session_->writes().presetToAmp(slot); });
    }
    connectHandler(ImportSingletoTab, &MainWindow::importPresetToTab);
    connectHandler(InfoMain, &MainWindow::editNotes);
    connectHandler(saveAction_, &MainWindow::save);
    connectHandler(saveAsAction_, &MainWindow::saveAs);
    connectHandler(SaveBack, &MainWindow::saveBack);
    connectHandler(saveCurrentTabAction_, &MainWindow::saveCurrentTab);
    connectCommand(refreshFileListAction_, [this] { PanelList->refresh(); });

    // An item without a command never looks as if it had one.
    for (QAction *a : fileMenu_->actions() + viewMenu_->actions() + transferMenu_->actions() + presetFromAmpMenu_->actions() +
                          presetToAmpMenu_->actions() + helpMenu_->actions())
        enableIfBuilt(a, true);
}

void MainWindow::enableIfBuilt(QAction *action, bool on)
{
    if (!action->isSeparator() && !action->menu())
        action->setEnabled(on && handled_.contains(action));
}

void MainWindow::buildToolBar()
{
    toolBar_ = addToolBar(QStringLiteral("Tool Bar"));
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto button = [this](const char *name, const char *image, const QString &hint) {
        QAction *a = toolBar_->addAction(QIcon(QStringLiteral(":/app/%1.png").arg(QLatin1String(image))), hint);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        if (QWidget *w = toolBar_->widgetForAction(a))
            w->setFixedWidth(25);
        return a;
    };
    ToolButtonOpen = button("ToolButtonOpen", "open", QStringLiteral("File: Open"));
    ToolButtonSave = button("ToolButtonSave", "save", QStringLiteral("File: Save"));
    toolBar_->addSeparator();
    ToolButtonMIDI = button("ToolButtonMIDI", "midi", QStringLiteral("View: MIDI Port Select"));
    ToolButtonGlobal = button("ToolButtonGlobal", "globals", QStringLiteral("View: Global Window"));
    ToolButtonDefaultView = button("ToolButtonDefaultView", "defaultview", QStringLiteral("View: Default View"));
    toolBar_->addSeparator();
    ToolButtonSendEdits = button("ToolButtonSendEdits", "sendedits", QStringLiteral("Transfer: Editor Data to Amp"));
    ToolButtonTuner = button("ToolButtonTuner", "tuner", QStringLiteral("Enter Tuner"));

    connectHandler(ToolButtonMIDI, &MainWindow::selectMidiPorts);
    connectHandler(ToolButtonGlobal, &MainWindow::showGlobals);
    connectHandler(ToolButtonTuner, &MainWindow::enterTuner);
    connectHandler(ToolButtonDefaultView, &MainWindow::restoreDefaultView);
    connectHandler(ToolButtonSendEdits, &MainWindow::sendEditorToAmp);
    connectHandler(ToolButtonOpen, &MainWindow::openFile);
    connectHandler(ToolButtonSave, &MainWindow::save);
    for (QAction *a : toolBar_->actions())
        enableIfBuilt(a, true);
}

void MainWindow::buildPanels()
{
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("Splitter1"));
    splitter_->setHandleWidth(3);
    // The file list never snaps shut.
    splitter_->setChildrenCollapsible(false);

    PanelList = new FileListPanel(session_->document(), *prompter_, splitter_);
    PanelList->setMinimumWidth(MinPanelWidth);

    editorFrame_ = new QGroupBox(splitter_);
    editorFrame_->setObjectName(QStringLiteral("GroupBox1"));
    editorPanel_ = new EditorPanel(session_->editor(), session_->globals(), session_->queue(), editorFrame_);
    auto *editorLayout = new QVBoxLayout(editorFrame_);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->addWidget(editorPanel_);

    splitter_->addWidget(PanelList);
    splitter_->addWidget(editorFrame_);
    // The editor takes what the window gains or loses; the list keeps its width.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    setCentralWidget(splitter_);

    StatusLink = new LinkStatus(session_->link().midiIn(), session_->link().midiOut(), session_->link().backend(), this);
    statusBar()->addWidget(StatusLink, 1);
    // Beside the link status, not over it as the bar's own messages would be.
    StatusMessage = new QLabel(this);
    StatusMessage->setObjectName(QStringLiteral("StatusMessage"));
    statusBar()->addPermanentWidget(StatusMessage);
    statusMessageTimer_.setSingleShot(true);
    connect(&statusMessageTimer_, &QTimer::timeout, StatusMessage, &QLabel::clear);
    StatusLibrary = new LibraryProgress(*library_, this);
    statusBar()->addPermanentWidget(StatusLibrary);
    connect(splitter_, &QSplitter::splitterMoved, this, [this](int pos, int index) {
        run([&] { splitterMoved(pos, index); });
    });
}

void MainWindow::readSettings()
{
    FormSettings defaults;
    defaults.width = designSize_.width();
    defaults.height = designSize_.height();
    defaults.split = designSplit_;
    const FormSettings s = settings_.read(defaults);

    // Set each check to the opposite and toggle, so check and view agree.
    ToolbarView->setChecked(!s.viewToolBar);
    ToolbarView->trigger();
    AutoSplit->setChecked(!s.autoSplit);
    AutoSplit->trigger();

    MidiInPort &in = session_->link().midiIn();
    MidiOutPort &out = session_->link().midiOut();
    in.setPort(preferredPort(in.deviceNames(), s.midiInPort, s.midiInName));
    out.setPort(preferredPort(out.deviceNames(), s.midiOutPort, s.midiOutName));
    // A device that is away this time stays the choice for the next start.
    if (in.Port() < 0 && s.midiInPort >= 0 && !s.midiInName.isEmpty())
        in.rememberDevice(s.midiInPort, s.midiInName);
    if (out.Port() < 0 && s.midiOutPort >= 0 && !s.midiOutName.isEmpty())
        out.rememberDevice(s.midiOutPort, s.midiOutName);
    out.setRate(s.midiOutRate);
    midiOutRate_ = s.midiOutRate;

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

    // A directory that cannot be entered leaves the list where it is. With
    // none stored, an installed program started from a menu (working folder
    // "/" or its own) lists the user's folder instead.
    Document &doc = session_->document();
    const QString program = QCoreApplication::applicationFilePath();
    doc.setWorkingDirectory(s.dataDir.isEmpty() ? AppPaths::startFolder(QDir::currentPath(), program) : s.dataDir);
    PanelList->refresh();
    doc.setOpenDialogDirectory(doc.workingDirectory());
    doc.setSaveDialogDirectory(doc.workingDirectory());

    BackUpBeforeWriting->setChecked(s.backupBeforeWrite);
    session_->writes().setBackupBeforeWrite(s.backupBeforeWrite);
    // Beside the settings, which are the user's own.
    session_->backups().setFolder(QFileInfo(settings_.path()).dir().filePath(QStringLiteral("backups")));
    // The data folder is the one the file list starts in; where the list
    // goes afterwards (opening a file elsewhere, Show in File List) does not
    // take the library with it.
    library_->setDataFolder(doc.workingDirectory());
    library_->setBackupsFolder(session_->backups().folder());
}

int MainWindow::preferredPort(const QStringList &devices, int storedIndex, const QString &storedName)
{
    if (storedIndex < 0)
        return -1;
    const bool indexValid = storedIndex < devices.size();
    if (!storedName.isEmpty()) {
        if (indexValid && devices[storedIndex] == storedName)
            return storedIndex;
        if (const qsizetype i = devices.indexOf(storedName); i >= 0)
            return int(i);
        const QString bare = withoutClientNumbers(storedName);
        if (indexValid && withoutClientNumbers(devices[storedIndex]) == bare)
            return storedIndex;
        for (qsizetype i = 0; i < devices.size(); ++i)
            if (withoutClientNumbers(devices[i]) == bare)
                return int(i);
    }
    // A stored device that is gone is not replaced by whatever took its place
    // in the list; the port window then asks.
    return indexValid ? storedIndex : -1;
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

void MainWindow::showTitle()
{
    const Document &doc = session_->document();
    // "[*]" becomes "*" while the presets are modified.
    setWindowTitle(doc.titleName() + QStringLiteral("[*] - Quorvex"));
    setWindowModified(doc.isModified());
    setWindowIconText(doc.applicationTitle());
    // A note needs a file to lie beside: none after a preset came from the Amp.
    enableIfBuilt(InfoMain, !doc.filePath().isEmpty());
}

void MainWindow::showViewItems(bool group)
{
    for (QAction *a : {saveCurrentTabAction_, ImportSingletoTab, GrouptoAmp})
        enableIfBuilt(a, group);
    PanelList->setImportEnabled(group);
}

bool MainWindow::event(QEvent *event)
{
    // The start-up sequence shows modal windows: run it from the event loop,
    // not inside the activation. The first show counts as well, for window
    // managers that do not activate a window started in the background.
    if (event->type() == QEvent::WindowActivate && !firstActivation_ && autoStart_)
        QMetaObject::invokeMethod(this, &MainWindow::startOnFirstActivation, Qt::QueuedConnection);
    // The last dialog over the window has closed: what waited for it may go.
    if (event->type() == QEvent::WindowUnblocked)
        session_->queue().kick();
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!firstActivation_ && autoStart_)
        QMetaObject::invokeMethod(this, &MainWindow::startOnFirstActivation, Qt::QueuedConnection);
}

void MainWindow::startOnFirstActivation()
{
    if (firstActivation_)
        return;
    firstActivation_ = true;
    // Indexing goes on beside the start-up and never holds it up.
    library_->start();
    run([this] { startUp(); });
}

void MainWindow::startUp()
{
    // Whatever the queue holds waits for the start-up to end; files handed
    // over meanwhile are taken as if named on the command line.
    startingUp_ = true;
    struct Ended {
        MainWindow &w;
        ~Ended()
        {
            w.startingUp_ = false;
            w.session_->queue().kick();
        }
    } ended{*this};

    PresetEditor &editor = session_->editor();
    editor.setView(PresetEditor::View::Single);

    MidiInPort &in = session_->link().midiIn();
    MidiOutPort &out = session_->link().midiOut();
    const bool inFailed = openAtStart(in);
    const bool outFailed = openAtStart(out);
    if (in.Port() == -1 || out.Port() == -1) {
        if (auto *builtIn = dynamic_cast<BuiltInAmpBackend *>(&session_->link().backend()))
            builtIn->preselectWhenAlone(in, out);
        selectMidiPorts();
    } else {
        if (inFailed)
            prompter_->notice(QStringLiteral("MIDI Error"), QStringLiteral("The in port is not available."),
                              Prompter::Icon::None);
        if (outFailed)
            prompter_->notice(QStringLiteral("MIDI Error"), QStringLiteral("The out port is not available."),
                              Prompter::Icon::None);
    }

    QString path;
    if (!startupFile_.isEmpty()) {
        path = startupFile_;
    } else if (!arguments_.value(0).isEmpty()) {
        // The shell has split the name at spaces and removed its quotes.
        path = arguments_.join(QLatin1Char(' '));
        // Too long to name a file: said like a file that cannot be opened.
        if (const QString refusal = handover::refusal(path); !refusal.isEmpty()) {
            startupFile_.clear();
            fileStepDone_ = true;
            throw QuorvexError(refusal);
        }
        if (QDir::isRelativePath(path))
            path = QDir::current().absoluteFilePath(path);
    }
    startupFile_.clear();
    // From here on, a handed-over file waits in the queue for the end.
    fileStepDone_ = true;
    const bool withFile = !path.isEmpty();
    if (withFile) {
        // A reader error leaves through here: nothing else of the start runs.
        if (!openNamedFile(path))
            editor.showDefaults(PresetEditor::View::Single);
        session_->sync().setStartedWithFile(true);
    }

    if (in.isEnabled() && out.isEnabled())
        sync(true);
    // The flag is for the start-up sync alone, whatever it found: a later
    // sync fetches the Amp's preset and names the document after it.
    session_->sync().setStartedWithFile(false);
    if (session_->link().isAmpFound())
        return;
    if (!withFile)
        editor.showDefaults(PresetEditor::View::Single);
}

bool MainWindow::openNamedFile(const QString &path)
{
    return session_->files().openNamed(path);
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::copyDataReceived(const QString &commandLine)
{
    bringToFront();
    if (commandLine.isEmpty())
        return;
    // Refused before anything is tried, and told from the queue: never a box
    // inside the socket's slot, nor one around the whole text.
    if (const QString refusal = handover::refusal(commandLine); !refusal.isEmpty()) {
        session_->queue().postError(refusal);
        return;
    }
    const QString path = handover::fileName(commandLine);
    // Before start-up has come to the command line's file, this one takes its place.
    if (!firstActivation_ || (startingUp_ && !fileStepDone_)) {
        startupFile_ = path;
        return;
    }
    // Opened when no dialog is open and the Amp has answered what it was
    // asked, so no reply lands on top of it; never inside the socket's slot.
    session_->queue().post(QString(), CommandQueue::Needs::NoDialogIdleAmp, [this, path] { openHandedOver(path); });
}

void MainWindow::openHandedOver(const QString &path)
{
    session_->files().askToSave();
    openNamedFile(path);
}

void MainWindow::toggleToolBar()
{
    toolBar_->setVisible(ToolbarView->isChecked());
}

void MainWindow::toggleFileList()
{
    if (!FileListView->isChecked())
        panelWidth_ = panelWidth();
    PanelList->setVisible(FileListView->isChecked());
    if (FileListView->isChecked())
        setPanelWidth(panelWidth_);
}

void MainWindow::restoreDefaultView()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    toolBar_->setVisible(true);
    ToolbarView->setChecked(true);
    PanelList->setVisible(true);
    FileListView->setChecked(true);
    resize(designSize_);
    setPanelWidth(designSplit_);
}

void MainWindow::toggleAutoSplit()
{
    if (AutoSplit->isChecked())
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
    if (AutoSplit->isChecked())
        computeSplit();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        normalSize_ = size();
    run([this] { splitIfAuto(); });
}

void MainWindow::quit() { close(); }

void MainWindow::showAbout()
{
    AboutDialog box(this);
    box.exec();
}

void MainWindow::sync(bool startup)
{
    session_->sync().startSync(startup);
    SyncDialog form(session_->sync(), session_->queue(), this);
    form.exec();
}

void MainWindow::syncWithAmp()
{
    session_->queue().runWhenAmpIdle([this] { sync(false); });
}

void MainWindow::fetchGroup() { session_->fetches().groupFromAmp(); }

void MainWindow::writeGroup() { session_->writes().groupToAmp(); }

void MainWindow::toggleBackUpBeforeWriting() { session_->writes().setBackupBeforeWrite(BackUpBeforeWriting->isChecked()); }

void MainWindow::restoreAmpBackup() { session_->writes().restoreBackup(); }

void MainWindow::selectMidiPorts()
{
    MidiPortsDialog form(session_->link().midiIn(), session_->link().midiOut(), *prompter_,
                   [this] { return session_->document().applicationTitle(); }, this);
    form.exec();
}

void MainWindow::showGlobals()
{
    session_->globals().expectGlobals();
    GlobalsWindow form(session_->globals(), session_->queue(), session_->document().openDialogDirectory(), this);
    connect(&form, &GlobalsWindow::fileWritten, PanelList, &FileListPanel::refresh);
    form.showModal();
}

void MainWindow::openGlobalFile(const QString &path)
{
    GlobalsWindow form(session_->globals(), session_->queue(), session_->document().openDialogDirectory(), this);
    connect(&form, &GlobalsWindow::fileWritten, PanelList, &FileListPanel::refresh);
    // Read before the window shows, so "Send Globals to Amp?" comes first;
    // a file that fails is reported and no window opens.
    form.readGlobalFile(path);
    form.showModal();
}

void MainWindow::enterTuner()
{
    tunerWindow().showOver(this);
}

void MainWindow::newPreset() { session_->files().newDocument(false); }

void MainWindow::openFile() { session_->files().open(); }

void MainWindow::importPresetToTab() { session_->files().importSingleToTab(); }

void MainWindow::save() { session_->files().save(); }

void MainWindow::saveAs() { session_->files().saveAs(); }

void MainWindow::saveBack() { session_->files().saveBack(); }

void MainWindow::saveCurrentTab() { session_->files().saveCurrentTab(); }

void MainWindow::editNotes()
{
    const QString notePath = session_->files().notePath();
    if (notePath.isEmpty())
        return;
    NotesDialog form(session_->queue(), this);
    // A note that cannot be read is reported and the window not shown.
    form.loadNote(notePath);
    form.exec();
}

void MainWindow::newGroup() { session_->files().newDocument(true); }

void MainWindow::sendEditorToAmp() { session_->editor().sendEditorData(); }

void MainWindow::checkTheAmp() { session_->check().checkAmp(); }

void MainWindow::showLibrary()
{
    // The folders are watched, but a file another program rewrote in place
    // shows only in a pass: one goes on the worker whenever the window is asked for.
    library_->refresh();
    if (!libraryWindow_)
        libraryWindow_ = new LibraryWindow(*library_, *prompter_, libraryLink_->hooks(), this);
    libraryWindow_->show();
    libraryWindow_->raise();
    libraryWindow_->activateWindow();
}

bool MainWindow::mayClose()
{
    return run([this] { session_->files().askToSave(); });
}

QSize MainWindow::normalSize() const
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return normalSize_;
    return size();
}

void MainWindow::closeDown()
{
    // The Amp is not left in tuner mode.
    if (tunerWindow_ && tunerWindow_->isVisible())
        tunerWindow_->exitTuner();
    MidiInPort &in = session_->link().midiIn();
    MidiOutPort &out = session_->link().midiOut();
    in.setEnabled(false);
    // What is still queued for the Amp (the end of a group write) is sent
    // first, for a moment; closing the port would drop it.
    out.flush(out.clock().now() + std::int64_t(CloseFlushMs) * 1000000);
    out.setEnabled(false);
    // Taken before the window returns to the normal state, so a window
    // closed maximised opens maximised again.
    const Qt::WindowStates state = windowState();
    const QSize normal = normalSize();
    setWindowState(state & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));

    FormSettings s;
    s.viewToolBar = ToolbarView->isChecked();
    s.autoSplit = AutoSplit->isChecked();
    s.midiInPort = in.storedPort();
    s.midiOutPort = out.storedPort();
    s.midiInName = in.storedName();
    s.midiOutName = out.storedName();
    s.midiOutRate = midiOutRate_;
    // A window closed while minimised opens normally: one that starts
    // minimised hides its port window and questions from the user.
    s.state = state & Qt::WindowMaximized ? 2 : 0;
    s.height = normal.height();
    s.width = normal.width();
    s.split = panelWidth();
    s.dataDir = session_->document().workingDirectory();
    s.backupBeforeWrite = BackUpBeforeWriting->isChecked();
    if (!settings_.write(s))
        prompter_->notice(QStringLiteral("Quorvex"), QStringLiteral("Could not save program settings."),
                          Prompter::Icon::None);
}

namespace {

// The local .syx files a drag carries.
QStringList droppedPresetFiles(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".syx"), Qt::CaseInsensitive))
            paths << url.toLocalFile();
    return paths;
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedPresetFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPresetFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // One document at a time: the first file dropped.
    run([&] { session_->files().openDropped(paths.first()); });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (closed_) {
        event->accept();
        return;
    }
    if (!mayClose()) {
        event->ignore();
        return;
    }
    closed_ = true;
    closeDown();
    event->accept();
}

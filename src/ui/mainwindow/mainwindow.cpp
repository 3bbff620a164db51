// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/mainwindow.h"

#include "ampsim/builtinampbackend.h"
#include "controls/elidedlabel.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/midiportsdialog.h"
#include "dialogs/notesdialog.h"
#include "dialogs/qtprompter.h"
#include "dialogs/syncdialog.h"
#include "editor/editorpanel.h"
#include "filelist/filelistpanel.h"
#include "globals/globalswindow.h"
#include "library/ampwindow.h"
#include "library/library.h"
#include "library/libraryprogress.h"
#include "library/librarywindow.h"
#include "library/setlistwindow.h"
#include "mainwindow/comparebar.h"
#include "mainwindow/editmenu.h"
#include "mainwindow/librarylink.h"
#include "mainwindow/linkstatus.h"
#include "mainwindow/mainactions.h"
#include "mainwindow/transferstatus.h"
#include "mainwindow/virtualampmenu.h"
#include "midi/rtmidibackend.h"
#include "model/quorvexerror.h"
#include "session/apppaths.h"
#include "session/prompter.h"
#include "session/sessionsettings.h"
#include "session/transferprogress.h"
#include "session/singleinstance.h"
#include "session/startup.h"
#include "tuner/tunerwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

static void initResources()
{
    // The images live in a static library; make sure the linker keeps them.
    Q_INIT_RESOURCE(app);
}

MainWindow::MainWindow(Options options, QWidget *parent)
    : QMainWindow(parent), prompter_(options.prompter ? std::move(options.prompter) : std::make_unique<QtPrompter>()),
      session_(std::make_unique<Session>(options.backend
                                             ? std::move(options.backend)
                                             : std::make_unique<BuiltInAmpBackend>(std::make_unique<RtMidiBackend>()),
                                         *prompter_)),
      settings_(options.iniPath.isEmpty() ? Settings::defaultPath() : options.iniPath), autoStart_(options.autoStart)
{
    initResources();
    startUp_ = std::make_unique<StartUp>(*session_, *prompter_, static_cast<StartUp::User &>(*this), options.arguments);
    library_ = std::make_unique<Library>(options.libraryIndex);
    if (auto *qt = dynamic_cast<QtPrompter *>(prompter_.get()))
        qt->setFallbackParent(this);

    // The window design.
    // Title bars and task bars show it small; an icon file is decoded when it
    // is added, and the large image would cost more than the whole menu bar.
    setWindowIcon(QIcon(QStringLiteral(":/app/quorvex64.png")));
    setContextMenuPolicy(Qt::NoContextMenu); // the tool bar is switched from the View menu only
    setAcceptDrops(true);
    buildActions();
    editActions_ = new EditMenu(*session_, editMenu_, toolBar_, this);
    buildPanels();
    connectSession();
    addVirtualAmp();
    libraryLink_ = std::make_unique<LibraryLink>(*session_, *PanelList, action("FileListView"),
                                                 [this](const std::function<void()> &body) { return run(body); });
    libraryLink_->connectTabs(editorPanel_->presetTabs);
    // Above the panel while Compare plays the stored version; made at the
    // first Compare, as most sessions never use it.
    connect(&session_->editor(), &PresetEditor::comparingChanged, this, [this](bool on) {
        if (!on || compareBar_)
            return;
        compareBar_ = new CompareBar(session_->editor(), libraryLink_->hooks(), editorFrame_);
        static_cast<QVBoxLayout *>(editorFrame_->layout())->insertWidget(0, compareBar_);
    });
    showTitle();
    designSize_ = QSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    resize(designSize_);
    normalSize_ = designSize_;
    designSplit_ = DesignSplit;
    setPanelWidth(designSplit_);

    readSettings();

    if (!options.recoveryFolder.isEmpty()) {
        connect(&session_->recovery(), &RecoveryCopy::writeFailed, this,
                [this](const QString &message) { statusBar()->showMessage(message); });
        if (!session_->recovery().start(options.recoveryFolder))
            qWarning("Quorvex: no recovery copies in %s", qPrintable(options.recoveryFolder));
    }
    instance_ = std::move(options.instance);
    if (instance_)
        connect(
            instance_.get(), &SingleInstance::handOver, this, [this](const QString &text) { handOver(text); },
            Qt::QueuedConnection);
}

// The panel's connections end with it, so the widgets may outlive the session.
MainWindow::~MainWindow()
{
    // Its windows go before the library they show.
    delete libraryWindow_;
}

void MainWindow::connectSession()
{
    CommandQueue &queue = session_->queue();
    // The queue waits while any of our dialogs is open, the tuner included,
    // and goes on when the last one closes (WindowUnblocked, see event()).
    queue.setDialogOpen([this] {
        return startUp_->running() || QApplication::activeModalWidget() != nullptr || session_->globals().tunerMode();
    });
    connect(&queue, &CommandQueue::waitingForAmp, this, [this](bool waiting) {
        if (waiting)
            showStatusMessage(tr("Waiting for the Amp..."), 0);
        else if (StatusMessage->text() == tr("Waiting for the Amp..."))
            showStatusMessage(QString(), 0);
    });
    connect(&session_->writes(), &PresetWrites::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, StatusMessageMs); });
    connect(&session_->check(), &AmpCheck::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, StatusMessageMs); });
    connect(editActions_, &EditMenu::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, StatusMessageMs); });
    // While Compare plays the stored preset, nothing is saved or sent from it.
    connect(&session_->editor(), &PresetEditor::comparingChanged, this, &MainWindow::updateActions);

    AmpLink &link = session_->link();
    connect(&link, &AmpLink::ampStatusChanged, this, &MainWindow::showAmpStatus);
    connect(&session_->sync(), &AmpSync::ampNotFound, this, &MainWindow::showAmpStatus);
    connect(StatusLink, &LinkStatus::syncRequested, this, [this] { run([this] { syncWithAmp(); }); });
    connect(&session_->sync(), &AmpSync::firmwareAdapted, editorPanel_, &EditorPanel::adaptToFirmware);

    Document &doc = session_->document();
    connect(&doc, &Document::titleChanged, this, &MainWindow::showTitle);
    // Unsaved work shows in the title, the way the desktop shows it.
    connect(&doc, &Document::modifiedChanged, this, &QWidget::setWindowModified);
    connect(&doc, &Document::saveElsewhereChanged, this, &MainWindow::updateActions);
    DocumentFiles &files = session_->files();
    // The list names the file; the files object opens it, questions and all.
    connect(PanelList, &FileListPanel::openRequested, this,
            [this](const QString &path) { run([&] { session_->files().openFromList(path); }); });
    connect(PanelList, &FileListPanel::importRequested, this,
            [this](const QString &path) { run([&] { session_->files().importFromList(path); }); });
    connect(PanelList, &FileListPanel::resetPathFromIniRequested, this,
            [this] { run([&] { PanelList->setPath(settings_.read(FormSettings()).dataDir); }); });
    connect(&files, &DocumentFiles::listRefreshWanted, PanelList, &FileListPanel::refresh);
    connect(&session_->editor(), &PresetEditor::viewChanged, this, &MainWindow::updateActions);
    updateActions();
    connect(&files, &DocumentFiles::globalFileChosen, this,
            [this](const QString &path) { run([&] { openGlobalFile(path); }); });
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
        StatusLink->setFirmware(tr("Amp %1").arg(SyncDialog::versionText(link.firmwareVersion(), link.gVariant())));
    } else {
        StatusLink->setFirmware(tr("Amp not answering"),
                                tr("The Amp did not answer the last request; check its cable and power"));
    }
    StatusLink->setSyncOffered(link.syncOffered());
}

void MainWindow::refreshFileList()
{
    PanelList->refresh();
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
    // The panel takes the height; the Compare bar above it only its own.
    editorLayout->addWidget(editorPanel_, 1);

    splitter_->addWidget(PanelList);
    splitter_->addWidget(editorFrame_);
    // The editor takes what the window gains or loses; the list keeps its width.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setMinimumSize(MinCentralWidth, MinCentralHeight);
    setCentralWidget(splitter_);

    StatusLink =
        new LinkStatus(session_->link().midiIn(), session_->link().midiOut(), session_->link().backend(), this);
    statusBar()->addWidget(StatusLink, 1);
    // The window is never narrower than its status bar at its narrowest.
    statusBar()->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The transfer's part is made at the first transfer, before the message.
    connect(&session_->progress(), &TransferProgress::started, this, [this] {
        if (StatusTransfer)
            return;
        StatusTransfer = new TransferStatus(session_->progress(), this);
        statusBar()->insertPermanentWidget(1, StatusTransfer);
    });
    // Beside the link status, not over it as the bar's own messages would be.
    StatusMessage = new ElidedLabel(Qt::ElideRight, this);
    StatusMessage->setObjectName(QStringLiteral("StatusMessage"));
    statusBar()->addPermanentWidget(StatusMessage);
    statusMessageTimer_.setSingleShot(true);
    connect(&statusMessageTimer_, &QTimer::timeout, StatusMessage, &QLabel::clear);
    StatusLibrary = new LibraryProgress(*library_, this);
    statusBar()->addPermanentWidget(StatusLibrary);
    connect(splitter_, &QSplitter::splitterMoved, this,
            [this](int pos, int index) { run([&] { splitterMoved(pos, index); }); });
}

void MainWindow::showTitle()
{
    const Document &doc = session_->document();
    // "[*]" becomes "*" while the presets are modified.
    setWindowTitle(tr("%1[*] - Quorvex").arg(doc.shownTitleName()));
    setWindowModified(doc.isModified());
    setWindowIconText(doc.applicationTitle());
    // A note needs a file to lie beside: none after a preset came from the Amp.
    updateActions();
}

bool MainWindow::event(QEvent *event)
{
    // The start-up sequence shows modal windows: run it from the event loop,
    // not inside the activation. The first show counts as well, for window
    // managers that do not activate a window started in the background.
    if (event->type() == QEvent::WindowActivate && !startUp_->activated() && autoStart_)
        QMetaObject::invokeMethod(this, &MainWindow::startOnFirstActivation, Qt::QueuedConnection);
    // The last dialog over the window has closed: what waited for it may go.
    if (event->type() == QEvent::WindowUnblocked)
        session_->queue().kick();
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!startUp_->activated() && autoStart_)
        QMetaObject::invokeMethod(this, &MainWindow::startOnFirstActivation, Qt::QueuedConnection);
}

void MainWindow::startOnFirstActivation()
{
    if (!startUp_->activate())
        return;
    // Indexing goes on beside the start-up and never holds it up.
    library_->start();
    run([this] { startUp_->run(); });
}

void MainWindow::handOver(const QString &commandLine)
{
    startUp_->handOver(commandLine);
}

void MainWindow::choosePorts()
{
    if (auto *builtIn = dynamic_cast<BuiltInAmpBackend *>(&session_->link().backend()))
        builtIn->preselectWhenAlone(session_->link().midiIn(), session_->link().midiOut());
    selectMidiPorts();
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::quit()
{
    close();
}

void MainWindow::syncWithAmp()
{
    session_->queue().runWhenAmpIdle([this] { sync(false); });
}

void MainWindow::fetchGroup()
{
    session_->fetches().groupFromAmp();
}

void MainWindow::writeGroup()
{
    session_->writes().groupToAmp();
}

void MainWindow::toggleBackUpBeforeWriting()
{
    session_->writes().setBackupBeforeWrite(action("BackUpBeforeWriting")->isChecked());
}

void MainWindow::restoreAmpBackup()
{
    session_->writes().restoreBackup();
}

void MainWindow::newPreset()
{
    session_->files().newDocument(false);
}

void MainWindow::openFile()
{
    session_->files().open();
}

void MainWindow::importPresetToTab()
{
    session_->files().importSingleToTab();
}

void MainWindow::save()
{
    session_->files().save();
}

void MainWindow::saveAs()
{
    session_->files().saveAs();
}

void MainWindow::saveBack()
{
    session_->files().saveBack();
}

void MainWindow::saveCurrentTab()
{
    session_->files().saveCurrentTab();
}

void MainWindow::newGroup()
{
    session_->files().newDocument(true);
}

void MainWindow::sendEditorToAmp()
{
    session_->editor().sendEditorData();
}

void MainWindow::checkTheAmp()
{
    session_->check().checkAmp();
}

bool MainWindow::mayClose()
{
    // A setlist with changes asks first; Cancel keeps the program open.
    if (setlistWindow_ && setlistWindow_->isVisible() && !setlistWindow_->close())
        return false;
    return run([this] { session_->files().askToSave(); });
}

void MainWindow::closeDown()
{
    // The Amp is not left in tuner mode.
    if (session_->globals().tunerMode())
        tunerWindow().exitTuner();
    session_->link().closePorts(CloseFlushMs);
    // Taken before the window returns to the normal state, so a window
    // closed maximised opens maximised again.
    const Qt::WindowStates state = windowState();
    const QSize normal = normalSize();
    setWindowState(state & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));

    FormSettings s;
    s.viewToolBar = action("ToolbarView")->isChecked();
    s.autoSplit = action("AutoSplit")->isChecked();
    sessionsettings::store(*session_, s);
    // A window closed while minimised opens normally: one that starts
    // minimised hides its port window and questions from the user.
    s.state = state & Qt::WindowMaximized ? 2 : 0;
    s.height = normal.height();
    s.width = normal.width();
    s.split = panelWidth();
    if (!settings_.write(s))
        prompter_->notice(QStringLiteral("Quorvex"), tr("Could not save program settings."), Prompter::Icon::None);
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

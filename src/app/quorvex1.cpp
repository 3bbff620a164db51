// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/quorvex1.h"

#include "app/aboutbox.h"
#include "app/apppaths.h"
#include "app/editmenu.h"
#include "app/handover.h"
#include "app/librarylink.h"
#include "app/qtprompter.h"
#include "app/singleinstance.h"
#include "ampsim/builtinampbackend.h"
#include "editor/editorpanel.h"
#include "filelist/filelistpanel.h"
#include "globals/tformglobal.h"
#include "library/library.h"
#include "model/quorvexerror.h"
#include "librarywin/libraryprogress.h"
#include "librarywin/librarywindow.h"
#include "librarywin/ampwindow.h"
#include "librarywin/setlistwindow.h"
#include "midi/rtmidibackend.h"
#include "session/prompter.h"
#include "tuner/tformtuner.h"
#include "windows/tforminfo.h"
#include "windows/tformmidi.h"
#include "windows/linkstatus.h"
#include "windows/tformsyncmsg.h"
#include "windows/virtualampmenu.h"

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
    port.setUsing(true);
    if (port.openResult() == 0)
        return false;
    port.setUsing(false);
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

Quorvex1::Quorvex1(Options options, QWidget *parent)
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
    EditMenu1 = new EditMenu(*session_, Edit1, ToolBar1, this);
    buildPanels();
    connectSession();
    addVirtualAmp();
    libraryLink_ = std::make_unique<LibraryLink>(*session_, *PanelList, FileListView,
                                                 [this](const std::function<void()> &body) { return run(body); });
    libraryLink_->connectTabs(EditorPanel1->TabControl1);
    showTitle();
    designSize_ = QSize(ClientWidth,
                        ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
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
        connect(instance_.get(), &SingleInstance::handOver, this,
                [this](const QString &text) { copyDataReceived(text); }, Qt::QueuedConnection);
}

// The panel's connections end with it, so the widgets may outlive the session.
Quorvex1::~Quorvex1()
{
    // Its windows go before the library they show.
    delete FormLibrary;
}

void Quorvex1::connectHandler(QAction *action, void (Quorvex1::*handler)())
{
    connectCommand(action, [this, handler] { (this->*handler)(); });
}

void Quorvex1::connectCommand(QAction *action, std::function<void()> command)
{
    handled_.insert(action);
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] { run(command); });
}

void Quorvex1::connectSession()
{
    CommandQueue &queue = session_->queue();
    // The queue waits while any of our dialogs is open, the tuner included,
    // and goes on when the last one closes (WindowUnblocked, see event()).
    queue.setDialogOpen([this] {
        return startingUp_ || QApplication::activeModalWidget() != nullptr || (FormTuner && FormTuner->isVisible());
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
    connect(EditMenu1, &EditMenu::statusMessage, this,
            [this](const QString &text) { showStatusMessage(text, StatusMessageMs); });
    // While Compare plays the stored preset, nothing is saved or sent from it.
    connect(&session_->editor(), &PresetEditor::comparingChanged, this, &Quorvex1::showComparing);

    AmpLink &link = session_->link();
    connect(&link, &AmpLink::ampStatusChanged, this, &Quorvex1::showAmpStatus);
    connect(&session_->search(), &AmpSearch::ampNotFound, this, &Quorvex1::showAmpStatus);
    connect(StatusLink, &LinkStatus::syncRequested, this, [this] { run([this] { SyncwithAmp1Click(); }); });
    connect(&session_->search(), &AmpSearch::firmwareAdapted, EditorPanel1, &EditorPanel::AdaptToFirmware);

    Document &doc = session_->document();
    connect(&doc, &Document::titleChanged, this, &Quorvex1::showTitle);
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

TFormTuner &Quorvex1::formTuner()
{
    if (FormTuner)
        return *FormTuner;
    FormTuner = std::make_unique<TFormTuner>(session_->globals(), session_->queue());
    // While the tuner is up the main window takes no input.
    connect(FormTuner.get(), &TFormTuner::entered, this, [this] { setEnabled(false); });
    connect(FormTuner.get(), &TFormTuner::left, this, [this] {
        setEnabled(true);
        setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        bringToFront();
        session_->queue().kick();
    });
    return *FormTuner;
}

void Quorvex1::showComparing(bool on)
{
    for (QAction *a : {Save1, SaveAs1, SaveCurrentTab1, ToolButtonSave, ToolButtonSendEdits})
        enableIfBuilt(a, !on && (a != SaveCurrentTab1 || session_->editor().isGroupView()));
    enableIfBuilt(SaveBack, !on && session_->document().saveElsewhere());
    Transfer1->menuAction()->setEnabled(!on);
}

void Quorvex1::addVirtualAmp()
{
    auto *builtIn = dynamic_cast<BuiltInAmpBackend *>(&session_->link().backend());
    if (!builtIn)
        return;
    menuBar()->insertMenu(Help1->menuAction(), new VirtualAmpMenu(*builtIn, *prompter_, this));
    connect(builtIn, &BuiltInAmpBackend::usageChanged, StatusLink,
            [this, builtIn] { StatusLink->setVirtualAmp(builtIn->inputInUse() || builtIn->outputInUse()); });
}

void Quorvex1::showStatusMessage(const QString &text, int ms)
{
    StatusMessage->setText(text);
    if (ms > 0)
        statusMessageTimer_.start(ms);
    else
        statusMessageTimer_.stop();
}

void Quorvex1::showAmpStatus()
{
    const AmpLink &link = session_->link();
    if (!link.isAmpFound() || link.devicesChanged()) {
        StatusLink->setFirmware(QString());
    } else if (link.isAnswering()) {
        // "Found Amp - Version 1.4 G" becomes "Amp 1.4 G".
        StatusLink->setFirmware(QStringLiteral("Amp ") + TFormSyncMsg::foundText(link.firmwareVersion(), link.gVariant())
                                                             .section(QLatin1Char(' '), 4));
    } else {
        StatusLink->setFirmware(QStringLiteral("Amp not answering"),
                                QStringLiteral("The Amp did not answer the last request; check its cable and power"));
    }
    StatusLink->setSyncOffered(link.syncOffered());
}

void Quorvex1::buildMenus()
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

    File1 = menu("File1", QStringLiteral("&File"));
    Open1 = item(File1, "Open1", QStringLiteral("&Open"));
    ImportSingletoTab = item(File1, "ImportSingletoTab", QStringLiteral("Import Single to Tab"));
    File1->addSeparator();
    New1 = item(File1, "New1", QStringLiteral("New Preset"));
    NewGroup1 = item(File1, "NewGroup1", QStringLiteral("New Group"));
    File1->addSeparator();
    InfoMain = item(File1, "InfoMain", QStringLiteral("Info"));
    File1->addSeparator();
    Save1 = item(File1, "Save1", QStringLiteral("&Save"), QKeySequence(Qt::Key_F2));
    SaveAs1 = item(File1, "SaveAs1", QStringLiteral("Save &As"));
    SaveBack = item(File1, "SaveBack", QStringLiteral("Save Back (original path)"));
    SaveCurrentTab1 = item(File1, "SaveCurrentTab1", QStringLiteral("Save Current Tab"));
    File1->addSeparator();
    Exit1 = item(File1, "Exit1", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X));

    // Filled by EditMenu once the tool bar is there.
    Edit1 = menu("Edit1", QStringLiteral("&Edit"));

    View1 = menu("View1", QStringLiteral("&View"));
    FileListView = item(View1, "FileListView", QStringLiteral("File List"));
    ToolbarView = item(View1, "ToolbarView", QStringLiteral("Tool Bar"));
    View1->addSeparator();
    MIDIPortSelect1 = item(View1, "MIDIPortSelect1", QStringLiteral("MIDI Port Select"), QKeySequence(Qt::CTRL | Qt::Key_M));
    GlobalWindow1 = item(View1, "GlobalWindow1", QStringLiteral("Global Window"), QKeySequence(Qt::CTRL | Qt::Key_G));
    Library1 = item(View1, "Library1", QStringLiteral("Library"), QKeySequence(Qt::CTRL | Qt::Key_L));
    setlistAction_ = item(View1, "Setlist", QStringLiteral("Setlist"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    ampAction_ = item(View1, "AmpWindow", QStringLiteral("Amp"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    View1->addSeparator();
    DefaultView1 = item(View1, "DefaultView1", QStringLiteral("Default View"), QKeySequence(Qt::CTRL | Qt::Key_D));
    AutoSplit = item(View1, "AutoSplit", QStringLiteral("Auto Split"));
    View1->addSeparator();
    RefreshFileList1 = item(View1, "RefreshFileList1", QStringLiteral("Refresh File List"), QKeySequence(Qt::Key_F5));
    View1->addSeparator();
    EnterTuner1 = item(View1, "EnterTuner1", QStringLiteral("Enter Tuner"));

    Transfer1 = menu("Transfer1", QStringLiteral("&Transfer"));
    PresetfromAmp1 = Transfer1->addMenu(QStringLiteral("Preset from Amp"));
    PresetfromAmp1->setObjectName(QStringLiteral("PresetfromAmp1"));
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        if (slot > 0 && slot % 4 == 0)
            PresetfromAmp1->addSeparator();
        PresetFromAmp[slot] = PresetfromAmp1->addAction(preset::slotName(slot));
        PresetFromAmp[slot]->setObjectName(QLatin1Char('N') + preset::slotName(slot) + QLatin1String("1"));
    }
    GroupfromAmp1 = item(Transfer1, "GroupfromAmp1", QStringLiteral("Group from Amp"));
    Transfer1->addSeparator();
    PresettoAmp1 = Transfer1->addMenu(QStringLiteral("Preset to Amp"));
    PresettoAmp1->setObjectName(QStringLiteral("PresettoAmp1"));
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        if (slot > 0 && slot % 4 == 0)
            PresettoAmp1->addSeparator();
        PresetToAmp[slot] = PresettoAmp1->addAction(preset::slotName(slot));
        PresetToAmp[slot]->setObjectName(preset::slotName(slot) + QLatin1String("1"));
    }
    GrouptoAmp = item(Transfer1, "GrouptoAmp", QStringLiteral("Group to Amp"));
    Transfer1->addSeparator();
    SyncwithAmp1 = item(Transfer1, "SyncwithAmp1", QStringLiteral("Sync with Amp"));
    EditordatatoAmp1 = item(Transfer1, "EditordatatoAmp1", QStringLiteral("Editor data to Amp"));
    CheckTheAmp = item(Transfer1, "CheckTheAmp", QStringLiteral("Check the Amp"));
    Transfer1->addSeparator();
    BackUpBeforeWriting = item(Transfer1, "BackUpBeforeWriting", QStringLiteral("Back Up Amp Before Writing"));
    BackUpBeforeWriting->setCheckable(true);
    RestoreAmpBackup = item(Transfer1, "RestoreAmpBackup", QStringLiteral("Restore Amp Backup..."));

    Help1 = menu("Help1", QStringLiteral("&Help"));
    About1 = item(Help1, "About1", QStringLiteral("About"));

    for (QAction *a : {FileListView, ToolbarView, AutoSplit})
        a->setCheckable(true);
    FileListView->setChecked(true);
    ToolbarView->setChecked(true);

    // A checkable action has inverted its check before these run.
    connectHandler(ToolbarView, &Quorvex1::ToolbarViewClick);
    connectHandler(FileListView, &Quorvex1::FileListViewClick);
    connectHandler(AutoSplit, &Quorvex1::AutoSplitClick);
    connectHandler(DefaultView1, &Quorvex1::DefaultView1Click);
    connectHandler(MIDIPortSelect1, &Quorvex1::MIDIPortSelect1Click);
    connectHandler(GlobalWindow1, &Quorvex1::GlobalWindow1Click);
    connectHandler(EnterTuner1, &Quorvex1::EnterTuner1Click);
    connectHandler(Library1, &Quorvex1::Library1Click);
    connectHandler(setlistAction_, &Quorvex1::showSetlist);
    connectHandler(ampAction_, &Quorvex1::showAmpWindow);
    connectHandler(New1, &Quorvex1::New1Click);
    connectHandler(NewGroup1, &Quorvex1::NewGroup1Click);
    connectHandler(EditordatatoAmp1, &Quorvex1::EditordatatoAmp1Click);
    connectHandler(CheckTheAmp, &Quorvex1::checkTheAmp);
    connectHandler(Exit1, &Quorvex1::Exit1Click);
    connectHandler(About1, &Quorvex1::About1Click);
    connectHandler(Open1, &Quorvex1::Open1Click);
    connectHandler(GroupfromAmp1, &Quorvex1::GroupfromAmp1Click);
    connectHandler(GrouptoAmp, &Quorvex1::GrouptoAmpClick);
    connectHandler(SyncwithAmp1, &Quorvex1::SyncwithAmp1Click);
    connectHandler(BackUpBeforeWriting, &Quorvex1::BackUpBeforeWritingClick);
    connectHandler(RestoreAmpBackup, &Quorvex1::RestoreAmpBackupClick);
    for (int slot = 0; slot < preset::SlotCount; ++slot) {
        // NA1Click..ND4Click and A1Click..D4Click: one fetch and one write per slot.
        connectCommand(PresetFromAmp[slot], [this, slot] { session_->fetches().presetFromAmp(slot); });
        connectCommand(PresetToAmp[slot], [this, slot] { session_->writes().presetToAmp(slot); });
    }
    connectHandler(ImportSingletoTab, &Quorvex1::ImportSingletoTabClick);
    connectHandler(InfoMain, &Quorvex1::InfoMainClick);
    connectHandler(Save1, &Quorvex1::Save1Click);
    connectHandler(SaveAs1, &Quorvex1::SaveAs1Click);
    connectHandler(SaveBack, &Quorvex1::SaveBackClick);
    connectHandler(SaveCurrentTab1, &Quorvex1::SaveCurrentTab1Click);
    connectCommand(RefreshFileList1, [this] { PanelList->refresh(); });

    // An item without a command never looks as if it had one.
    for (QAction *a : File1->actions() + View1->actions() + Transfer1->actions() + PresetfromAmp1->actions() +
                          PresettoAmp1->actions() + Help1->actions())
        enableIfBuilt(a, true);
}

void Quorvex1::enableIfBuilt(QAction *action, bool on)
{
    if (!action->isSeparator() && !action->menu())
        action->setEnabled(on && handled_.contains(action));
}

void Quorvex1::buildToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("Tool Bar"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto button = [this](const char *name, const char *image, const QString &hint) {
        QAction *a = ToolBar1->addAction(QIcon(QStringLiteral(":/app/%1.png").arg(QLatin1String(image))), hint);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        if (QWidget *w = ToolBar1->widgetForAction(a))
            w->setFixedWidth(25);
        return a;
    };
    ToolButtonOpen = button("ToolButtonOpen", "open", QStringLiteral("File: Open"));
    ToolButtonSave = button("ToolButtonSave", "save", QStringLiteral("File: Save"));
    ToolBar1->addSeparator();
    ToolButtonMIDI = button("ToolButtonMIDI", "midi", QStringLiteral("View: MIDI Port Select"));
    ToolButtonGlobal = button("ToolButtonGlobal", "globals", QStringLiteral("View: Global Window"));
    ToolButtonDefaultView = button("ToolButtonDefaultView", "defaultview", QStringLiteral("View: Default View"));
    ToolBar1->addSeparator();
    ToolButtonSendEdits = button("ToolButtonSendEdits", "sendedits", QStringLiteral("Transfer: Editor Data to Amp"));
    ToolButtonTuner = button("ToolButtonTuner", "tuner", QStringLiteral("Enter Tuner"));

    connectHandler(ToolButtonMIDI, &Quorvex1::MIDIPortSelect1Click);
    connectHandler(ToolButtonGlobal, &Quorvex1::GlobalWindow1Click);
    connectHandler(ToolButtonTuner, &Quorvex1::EnterTuner1Click);
    connectHandler(ToolButtonDefaultView, &Quorvex1::DefaultView1Click);
    connectHandler(ToolButtonSendEdits, &Quorvex1::EditordatatoAmp1Click);
    connectHandler(ToolButtonOpen, &Quorvex1::Open1Click);
    connectHandler(ToolButtonSave, &Quorvex1::Save1Click);
    for (QAction *a : ToolBar1->actions())
        enableIfBuilt(a, true);
}

void Quorvex1::buildPanels()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    // The file list never snaps shut.
    Splitter1->setChildrenCollapsible(false);

    PanelList = new FileListPanel(session_->document(), *prompter_, Splitter1);
    PanelList->setMinimumWidth(MinPanelWidth);

    GroupBox1 = new QGroupBox(Splitter1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    EditorPanel1 = new EditorPanel(session_->editor(), session_->globals(), session_->queue(), GroupBox1);
    auto *editorLayout = new QVBoxLayout(GroupBox1);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->addWidget(EditorPanel1);

    Splitter1->addWidget(PanelList);
    Splitter1->addWidget(GroupBox1);
    // The editor takes what the window gains or loses; the list keeps its width.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    setCentralWidget(Splitter1);

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
    connect(Splitter1, &QSplitter::splitterMoved, this, [this](int pos, int index) {
        run([&] { Splitter1Moved(pos, index); });
    });
}

void Quorvex1::readSettings()
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

    TMidiIn &in = session_->link().midiIn();
    TMidiOut &out = session_->link().midiOut();
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

int Quorvex1::preferredPort(const QStringList &devices, int storedIndex, const QString &storedName)
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

int Quorvex1::panelWidth() const
{
    if (PanelList->isVisible())
        return Splitter1->sizes().value(0, panelWidth_);
    return panelWidth_;
}

void Quorvex1::setPanelWidth(int width)
{
    panelWidth_ = std::max(width, MinPanelWidth);
    const int rest = std::max(1, Splitter1->width() - panelWidth_ - Splitter1->handleWidth());
    Splitter1->setSizes({panelWidth_, rest});
}

void Quorvex1::showTitle()
{
    const Document &doc = session_->document();
    // "[*]" becomes "*" while the presets are modified.
    setWindowTitle(doc.titleName() + QStringLiteral("[*] - Quorvex"));
    setWindowModified(doc.isModified());
    setWindowIconText(doc.applicationTitle());
    // A note needs a file to lie beside: none after a preset came from the Amp.
    enableIfBuilt(InfoMain, !doc.filePath().isEmpty());
}

void Quorvex1::showViewItems(bool group)
{
    for (QAction *a : {SaveCurrentTab1, ImportSingletoTab, GrouptoAmp})
        enableIfBuilt(a, group);
    PanelList->setImportEnabled(group);
}

bool Quorvex1::event(QEvent *event)
{
    // The start-up sequence shows modal windows: run it from the event loop,
    // not inside the activation. The first show counts as well, for window
    // managers that do not activate a window started in the background.
    if (event->type() == QEvent::WindowActivate && !firstActivation_ && autoStart_)
        QMetaObject::invokeMethod(this, &Quorvex1::FormActivate, Qt::QueuedConnection);
    // The last dialog over the window has closed: what waited for it may go.
    if (event->type() == QEvent::WindowUnblocked)
        session_->queue().kick();
    return QMainWindow::event(event);
}

void Quorvex1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!firstActivation_ && autoStart_)
        QMetaObject::invokeMethod(this, &Quorvex1::FormActivate, Qt::QueuedConnection);
}

void Quorvex1::FormActivate()
{
    if (firstActivation_)
        return;
    firstActivation_ = true;
    // Indexing goes on beside the start-up and never holds it up.
    library_->start();
    run([this] { startUp(); });
}

void Quorvex1::startUp()
{
    // Whatever the queue holds waits for the start-up to end; files handed
    // over meanwhile are taken as if named on the command line.
    startingUp_ = true;
    struct Ended {
        Quorvex1 &w;
        ~Ended()
        {
            w.startingUp_ = false;
            w.session_->queue().kick();
        }
    } ended{*this};

    PresetEditor &editor = session_->editor();
    editor.setView(PresetEditor::View::Single);

    TMidiIn &in = session_->link().midiIn();
    TMidiOut &out = session_->link().midiOut();
    const bool inFailed = openAtStart(in);
    const bool outFailed = openAtStart(out);
    if (in.Port() == -1 || out.Port() == -1) {
        if (auto *builtIn = dynamic_cast<BuiltInAmpBackend *>(&session_->link().backend()))
            builtIn->preselectWhenAlone(in, out);
        MIDIPortSelect1Click();
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
    bool withFile = !path.isEmpty();
    if (withFile) {
        // A reader error leaves through here: nothing else of the start runs.
        if (!openNamedFile(path))
            editor.showDefaults(PresetEditor::View::Single);
        session_->search().setStartedWithFile(true);
    }
    // Work a crash left unsaved is kept like a file named at start.
    if (session_->recovery().offerLeftBehind(*prompter_, session_->files())) {
        withFile = true;
        session_->search().setStartedWithFile(true);
    }

    if (in.Using() && out.Using())
        sync(true);
    // The flag is for the start-up sync alone, whatever it found: a later
    // sync fetches the Amp's preset and names the document after it.
    session_->search().setStartedWithFile(false);
    if (session_->link().isAmpFound())
        return;
    if (!withFile)
        editor.showDefaults(PresetEditor::View::Single);
}

bool Quorvex1::openNamedFile(const QString &path)
{
    return session_->files().openNamed(path);
}

void Quorvex1::bringToFront()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void Quorvex1::copyDataReceived(const QString &commandLine)
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

void Quorvex1::openHandedOver(const QString &path)
{
    session_->files().askToSave();
    openNamedFile(path);
}

void Quorvex1::ToolbarViewClick()
{
    ToolBar1->setVisible(ToolbarView->isChecked());
}

void Quorvex1::FileListViewClick()
{
    if (!FileListView->isChecked())
        panelWidth_ = panelWidth();
    PanelList->setVisible(FileListView->isChecked());
    if (FileListView->isChecked())
        setPanelWidth(panelWidth_);
}

void Quorvex1::DefaultView1Click()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    ToolBar1->setVisible(true);
    ToolbarView->setChecked(true);
    PanelList->setVisible(true);
    FileListView->setChecked(true);
    resize(designSize_);
    setPanelWidth(designSplit_);
}

void Quorvex1::AutoSplitClick()
{
    if (AutoSplit->isChecked())
        computeSplit();
}

void Quorvex1::computeSplit()
{
    setPanelWidth(std::max(MinPanelWidth, width() - GroupBoxDesignWidth - 18));
}

void Quorvex1::Splitter1Moved(int pos, int)
{
    if (pos <= MinPanelWidth) {
        setPanelWidth(MinPanelWidth + 1);
        Splitter1->update();
    } else {
        panelWidth_ = Splitter1->sizes().value(0, pos);
    }
}

void Quorvex1::FormResize()
{
    if (AutoSplit->isChecked())
        computeSplit();
}

void Quorvex1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        normalSize_ = size();
    run([this] { FormResize(); });
}

void Quorvex1::Exit1Click() { close(); }

void Quorvex1::About1Click()
{
    TAboutBox box(this);
    box.exec();
}

void Quorvex1::sync(bool startup)
{
    session_->search().startSync(startup);
    TFormSyncMsg form(session_->search(), session_->queue(), this);
    form.exec();
}

void Quorvex1::SyncwithAmp1Click()
{
    session_->queue().runWhenAmpIdle([this] { sync(false); });
}

void Quorvex1::GroupfromAmp1Click() { session_->fetches().groupFromAmp(); }

void Quorvex1::GrouptoAmpClick() { session_->writes().groupToAmp(); }

void Quorvex1::BackUpBeforeWritingClick() { session_->writes().setBackupBeforeWrite(BackUpBeforeWriting->isChecked()); }

void Quorvex1::RestoreAmpBackupClick() { session_->writes().restoreBackup(); }

void Quorvex1::MIDIPortSelect1Click()
{
    TFormMidi form(session_->link().midiIn(), session_->link().midiOut(), *prompter_,
                   [this] { return session_->document().applicationTitle(); }, this);
    form.exec();
}

void Quorvex1::GlobalWindow1Click()
{
    session_->globals().expectGlobals();
    TFormGlobal form(session_->globals(), session_->queue(), session_->document().openDialogDirectory(), this);
    connect(&form, &TFormGlobal::fileWritten, PanelList, &FileListPanel::refresh);
    form.Execute();
}

void Quorvex1::openGlobalFile(const QString &path)
{
    TFormGlobal form(session_->globals(), session_->queue(), session_->document().openDialogDirectory(), this);
    connect(&form, &TFormGlobal::fileWritten, PanelList, &FileListPanel::refresh);
    // Read before the window shows, so "Send Globals to Amp?" comes first;
    // a file that fails is reported and no window opens.
    form.ReadGlobalFile(path);
    form.Execute();
}

void Quorvex1::EnterTuner1Click()
{
    formTuner().Enter(this);
}

void Quorvex1::New1Click() { session_->files().newDocument(false); }

void Quorvex1::Open1Click() { session_->files().open(); }

void Quorvex1::ImportSingletoTabClick() { session_->files().importSingleToTab(); }

void Quorvex1::Save1Click() { session_->files().save(); }

void Quorvex1::SaveAs1Click() { session_->files().saveAs(); }

void Quorvex1::SaveBackClick() { session_->files().saveBack(); }

void Quorvex1::SaveCurrentTab1Click() { session_->files().saveCurrentTab(); }

void Quorvex1::InfoMainClick()
{
    const QString notePath = session_->files().notePath();
    if (notePath.isEmpty())
        return;
    TFormInfo form(session_->queue(), this);
    // A note that cannot be read is reported and the window not shown.
    form.Load(notePath);
    form.exec();
}

void Quorvex1::NewGroup1Click() { session_->files().newDocument(true); }

void Quorvex1::EditordatatoAmp1Click() { session_->editor().sendEditorData(); }

void Quorvex1::checkTheAmp() { session_->check().checkAmp(); }

void Quorvex1::Library1Click()
{
    // The folders are watched, but a file another program rewrote in place
    // shows only in a pass: one goes on the worker whenever the window is asked for.
    library_->refresh();
    if (!FormLibrary) {
        LibraryHooks hooks = libraryLink_->hooks();
        hooks.addToSetlist = [this](const QString &path, int slot, const preset::Record &record) {
            showSetlist();
            setlistWindow_->addPreset(path, slot, record);
        };
        FormLibrary = new LibraryWindow(*library_, *prompter_, hooks, this);
    }
    FormLibrary->show();
    FormLibrary->raise();
    FormLibrary->activateWindow();
}

void Quorvex1::showSetlist()
{
    if (!setlistWindow_) {
        SetlistWindow::Ports ports;
        // A foot controller is a MIDI input of its own, beside the Amp's.
        ports.open = [] { return std::make_unique<RtMidiBackend>(RtMidiBackend::Api::Automatic, QStringLiteral("Quorvex Setlist")); };
        ports.names = [open = ports.open] { return open()->inputNames(); };
        setlistWindow_ = new SetlistWindow(*library_, *prompter_, libraryLink_->hooks(), std::move(ports), this);
        setlistWindow_->setWindowFlag(Qt::Window);
    }
    setlistWindow_->show();
    setlistWindow_->raise();
    setlistWindow_->activateWindow();
}

void Quorvex1::showAmpWindow()
{
    if (!ampWindow_) {
        AmpWindow::Actions actions;
        actions.read = [this] { run([this] { session_->fetches().readTheAmp(); }); };
        actions.switchTo = [this](int slot) { run([this, slot] { session_->fetches().switchTo(slot); }); };
        actions.write = [this](int slot, const preset::Record &record, const QString &name) {
            run([&] { session_->writes().writeToSlot(slot, record, name); });
        };
        actions.writePlan = [this](const AmpWindow::Actions::Plan &plan, const QString &text) {
            run([&] { session_->writes().writeSlots(plan, text); });
        };
        ampWindow_ = new AmpWindow(session_->ampSlots(), *library_, *prompter_, std::move(actions), this);
    }
    ampWindow_->show();
    ampWindow_->raise();
    ampWindow_->activateWindow();
}

bool Quorvex1::FormCloseQuery()
{
    // A setlist with changes asks first; Cancel keeps the program open.
    if (setlistWindow_ && setlistWindow_->isVisible() && !setlistWindow_->close())
        return false;
    return run([this] { session_->files().askToSave(); });
}

QSize Quorvex1::normalSize() const
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return normalSize_;
    return size();
}

void Quorvex1::FormClose()
{
    // The Amp is not left in tuner mode.
    if (FormTuner && FormTuner->isVisible())
        FormTuner->ButtonTunerExitClick();
    TMidiIn &in = session_->link().midiIn();
    TMidiOut &out = session_->link().midiOut();
    in.setUsing(false);
    // What is still queued for the Amp (the end of a group write) is sent
    // first, for a moment; closing the port would drop it.
    out.flush(out.clock().now() + std::int64_t(CloseFlushMs) * 1000000);
    out.setUsing(false);
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

void Quorvex1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedPresetFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Quorvex1::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedPresetFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    // One document at a time: the first file dropped.
    run([&] { session_->files().openDropped(paths.first()); });
}

void Quorvex1::closeEvent(QCloseEvent *event)
{
    if (closed_) {
        event->accept();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    closed_ = true;
    FormClose();
    event->accept();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "globals/globalswindow.h"

#include "controls/flatgroupbox.h"
#include "controls/numberknob.h"
#include "controls/valueedit.h"
#include "model/firmware.h"
#include "model/globalrecord.h"
#include "model/quorvexerror.h"
#include "session/commandqueue.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QColor Teal(0, 128, 128);
const char *const Caption = QT_TRANSLATE_NOOP("GlobalsWindow", "Amp Globals");

// "[*]" where the desktop shows that the settings are not saved: after the
// name, before " - Globals".
QString marked(const QString &caption)
{
    const QString suffix = QCoreApplication::translate("GlobalFiles", "%1 - Globals").arg(QString());
    return caption.endsWith(suffix) ? caption.left(caption.size() - suffix.size()) + QStringLiteral("[*]") + suffix
                                    : caption + QStringLiteral("[*]");
}

} // namespace

// ---- The binding tables, each in the order the controls are refreshed.

struct GlobalsWindow::CheckRow {
    QCheckBox *GlobalsWindow::*member;
    const char *name;
    const char *caption;
    const char *hint;
    Field field;
};

const std::vector<GlobalsWindow::CheckRow> &GlobalsWindow::checkRows()
{
    using F = GlobalsWindow;
    using namespace globalrecord;
    static const std::vector<CheckRow> rows{
        {&F::CheckBoxUser, "CheckBoxUser", QT_TRANSLATE_NOOP("GlobalsWindow", "User presets on powerup"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "Check for User, uncheck for Factory"), UserPresets},
        {&F::CheckBoxStereo, "CheckBoxStereo", QT_TRANSLATE_NOOP("GlobalsWindow", "Stereo"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "Check for 212, uncheck for 1x12"), Stereo},
        {&F::CheckBoxQB, "CheckBoxQB", QT_TRANSLATE_NOOP("GlobalsWindow", "Quick Boost"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "2nd Preset Select on Stompbar will toggle Boost"), QuickBoost},
        {&F::CheckBoxAtten, "CheckBoxAtten", QT_TRANSLATE_NOOP("GlobalsWindow", "Output Attenuator"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "18 dB output volume drop"), Attenuator},
        {&F::CheckBoxLEDs, "CheckBoxLEDs", QT_TRANSLATE_NOOP("GlobalsWindow", "Amp LED Disable"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "Disable most amp LEDs"), LedsOff},
    };
    return rows;
}

struct GlobalsWindow::KnobRow {
    NumberKnob *GlobalsWindow::*member;
    const char *name;
    const char *caption;
    const char *hint;
    Field field;
    preset::Range range;
};

const std::vector<GlobalsWindow::KnobRow> &GlobalsWindow::knobRows()
{
    using F = GlobalsWindow;
    using namespace globalrecord;
    static const std::vector<KnobRow> rows{
        {&F::NxNumberKnobIA, "NxNumberKnobIA", QT_TRANSLATE_NOOP("GlobalsWindow", "Input Adjust"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "Scales pregain internally to compensate for guitar level (12:00=default)"),
         InputAdjust, InputAdjustRange},
        {&F::NxNumberKnobSens, "NxNumberKnobSens", QT_TRANSLATE_NOOP("GlobalsWindow", "Sensitivity"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "Lower values for reduction, higher values for gating"), GateSensitivity,
         GateRange},
        {&F::NxNumberKnobThresh, "NxNumberKnobThresh", QT_TRANSLATE_NOOP("GlobalsWindow", "Threshold/Off"),
         QT_TRANSLATE_NOOP("GlobalsWindow", "Increase when there's more noise"), GateThreshold, GateRange},
    };
    return rows;
}

struct GlobalsWindow::RadioRow {
    QGroupBox *GlobalsWindow::*box;
    QButtonGroup *GlobalsWindow::*buttons;
    const char *name;
    const char *caption;
    Field field;
    QStringList items;
    int columns;
};

const std::vector<GlobalsWindow::RadioRow> &GlobalsWindow::radioRows()
{
    using F = GlobalsWindow;
    using namespace globalrecord;
    static const std::vector<RadioRow> rows = [] {
        QStringList channels;
        for (int c = 1; c <= 16; ++c)
            channels << QString::number(c);
        return std::vector<RadioRow>{
            {&F::RadioGroupMidiChannel, &F::MidiChannelButtons, "RadioGroupMidiChannel",
             QT_TRANSLATE_NOOP("GlobalsWindow", "MIDI Channel"), Channel, channels, 4},
            {&F::RadioGroupBankStyle,
             &F::BankStyleButtons,
             "RadioGroupBankStyle",
             QT_TRANSLATE_NOOP("GlobalsWindow", "Stompbar Bank Select Style"),
             BankStyle,
             {QStringLiteral(QT_TRANSLATE_NOOP("GlobalsWindow", "Matrix - go to same patch in new bank (default)")),
              QStringLiteral(QT_TRANSLATE_NOOP("GlobalsWindow", "Go to preset #1 in new bank")),
              QStringLiteral(QT_TRANSLATE_NOOP("GlobalsWindow", "Wait for preset selection (red LED blinks)"))},
             1},
            {&F::RadioGroupAllInfo,
             &F::AllInfoButtons,
             "RadioGroupAllInfo",
             QT_TRANSLATE_NOOP("GlobalsWindow", "Stompbar Inactive Mode LED status (All Info)"),
             InactiveLeds,
             {QStringLiteral(QT_TRANSLATE_NOOP("GlobalsWindow", "Only show active mode LEDs")),
              QStringLiteral(QT_TRANSLATE_NOOP("GlobalsWindow", "Show inactive mode LEDs as dim (default)")),
              QStringLiteral(QT_TRANSLATE_NOOP("GlobalsWindow", "Show all LEDs bright"))},
             1},
        };
    }();
    return rows;
}

// ---- Building

GlobalsWindow::GlobalsWindow(AmpGlobals &globals, CommandQueue &queue, QString startFolder, QWidget *parent)
    : QDialog(parent), globals_(globals), queue_(queue), startFolder_(std::move(startFolder)),
      files_(globals, queue.prompter())
{
    setObjectName(QStringLiteral("FormGlobal"));
    setWindowTitle(marked(tr(Caption)));
    buildMenu();
    buildControls();
    files_.onWritten = [this] { emit fileWritten(); };
    // Unsaved settings show in the title, as in the main window.
    connect(&globals_, &AmpGlobals::modifiedChanged, this, &QWidget::setWindowModified);
    setWindowModified(globals_.isModified());

    // The Amp's own changes reach the window while it is up.
    connect(&globals_, &AmpGlobals::globalRecordChanged, this, [this] { loadControls(); });
    connect(&globals_, &AmpGlobals::globalRecordLoaded, this, [this](bool fromAmp) {
        loadControls();
        if (fromAmp)
            setWindowTitle(marked(tr(Caption)));
    });
}

GlobalsWindow::~GlobalsWindow() = default;

void GlobalsWindow::run(const std::function<void()> &body)
{
    queue_.run(body);
}

void GlobalsWindow::buildMenu()
{
    mainMenu = new QMenuBar(this);
    mainMenu->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [this](const char *name, const QString &caption) {
        QMenu *m = mainMenu->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu *m, const char *name, const QString &caption, void (GlobalsWindow::*handler)()) {
        QAction *a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { run([this, handler] { (this->*handler)(); }); });
        return a;
    };
    fileMenu = menu("File1", tr("&File"));
    openAction = item(fileMenu, "Open1", tr("&Open"), &GlobalsWindow::openFile);
    saveAsAction = item(fileMenu, "SaveAs1", tr("Save &As"), &GlobalsWindow::saveAs);
    fileMenu->addSeparator();
    quitAction = item(fileMenu, "QuitGlobalView1", tr("&Quit Global View"), &GlobalsWindow::closeWindow);
    transferMenu = menu("Transfer1", tr("&Transfer"));
    sendToAmpAction = item(transferMenu, "SendtoAmp1", tr("&Send to Amp"), &GlobalsWindow::sendToAmp);
    fetchFromAmpAction = item(transferMenu, "GetfromAmp1", tr("&Get from Amp"), &GlobalsWindow::fetchFromAmp);
    // The desktop's keys for these; Escape closes the window as well.
    openAction->setShortcuts(QKeySequence::Open);
    // Plain X11 has no Save As key of its own.
    const QList<QKeySequence> saveAsKeys = QKeySequence::keyBindings(QKeySequence::SaveAs);
    saveAsAction->setShortcuts(
        saveAsKeys.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)} : saveAsKeys);
    quitAction->setShortcuts(QKeySequence::Close);
}

NumberKnob *GlobalsWindow::buildKnob(const KnobRow &row, QWidget *parent)
{
    auto *knob = new NumberKnob(parent);
    knob->setObjectName(QLatin1String(row.name));
    knob->setFixedSize(33, 33);
    knob->SetMin(float(row.range.min));
    knob->SetMax(float(row.range.max));
    knob->SetInc(1.0f);
    knob->SetColor(Teal);
    knob->SetValue(float(row.range.min));
    knob->SetTabStop(true);
    knob->SetFocusOnClick(true);
    knob->setToolTip(tr(row.hint));
    // A turn reports each step and then its end; the byte is edited once.
    auto changed = [this, &row](Knob *k) { run([&] { knobChanged(row, k); }); };
    connect(knob, &Knob::OnChanging, this, changed);
    connect(knob, &Knob::OnChanged, this, changed);
    // Its value in a box below, where a number can be typed as well.
    ValueEdit *edit = ValueEdit::under(knob, parent);
    connect(edit, &KnobEdit::OnConvertError, this,
            [this](KnobEdit *, const QString &message) { run([&] { throw QuorvexError(message); }); });
    this->*row.member = knob;
    return knob;
}

QGroupBox *GlobalsWindow::buildRadioGroup(const RadioRow &row, QWidget *parent)
{
    auto *box = new FlatGroupBox(tr(row.caption), parent);
    box->setObjectName(QLatin1String(row.name));
    auto *buttons = new QButtonGroup(box);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(0);
    // Filled column by column.
    const int perColumn = int((row.items.size() + row.columns - 1) / row.columns);
    for (int i = 0; i < row.items.size(); ++i) {
        auto *button = new QRadioButton(tr(row.items[i].toUtf8().constData()), box);
        buttons->addButton(button, i);
        grid->addWidget(button, i % perColumn, i / perColumn);
    }
    connect(buttons, &QButtonGroup::idToggled, this, [this, field = row.field](int id, bool on) {
        if (on)
            run([&] { globals_.editGlobalByte(field, std::uint8_t(id)); });
    });
    this->*row.box = box;
    this->*row.buttons = buttons;
    return box;
}

void GlobalsWindow::buildControls()
{
    for (const CheckRow &row : checkRows()) {
        auto *box = new QCheckBox(tr(row.caption), this);
        box->setObjectName(QLatin1String(row.name));
        box->setToolTip(tr(row.hint));
        connect(box, &QCheckBox::toggled, this,
                [this, field = row.field](bool on) { run([&] { globals_.editGlobalBit(field, on); }); });
        this->*row.member = box;
    }
    for (const RadioRow &row : radioRows())
        buildRadioGroup(row, this);
    for (const KnobRow &row : knobRows())
        buildKnob(row, this);

    auto knobWithLabel = [](NumberKnob *knob, const QString &caption) {
        auto *cell = new QVBoxLayout;
        cell->setSpacing(0);
        cell->addWidget(knob, 0, Qt::AlignHCenter);
        cell->addWidget(knob->TargetEdit(), 0, Qt::AlignHCenter);
        auto *label = new QLabel(caption);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        cell->addWidget(label);
        return cell;
    };

    GroupBoxGeneral = new FlatGroupBox(tr("General"), this);
    GroupBoxGeneral->setObjectName(QStringLiteral("GroupBoxGeneral"));
    GroupBoxNoiseGate = new FlatGroupBox(tr("Noise Gate"), GroupBoxGeneral);
    GroupBoxNoiseGate->setObjectName(QStringLiteral("GroupBoxNoiseGate"));
    GroupBoxVersion2 = new FlatGroupBox(tr("Version 2.0 Globals"), GroupBoxGeneral);
    GroupBoxVersion2->setObjectName(QStringLiteral("GroupBoxVersion2"));

    auto *gate = new QHBoxLayout(GroupBoxNoiseGate);
    gate->addLayout(knobWithLabel(NxNumberKnobSens, tr("Sensitivity")));
    gate->addLayout(knobWithLabel(NxNumberKnobThresh, tr("Threshold/Off")));

    auto *v2 = new QHBoxLayout(GroupBoxVersion2);
    v2->addLayout(knobWithLabel(NxNumberKnobIA, tr("Input Adjust")));
    auto *v2Checks = new QVBoxLayout;
    for (QCheckBox *box : {CheckBoxQB, CheckBoxAtten, CheckBoxLEDs})
        v2Checks->addWidget(box);
    v2->addLayout(v2Checks);

    // The layouts put each control into the box that shows it.
    auto *left = new QVBoxLayout;
    left->addWidget(RadioGroupMidiChannel);
    left->addWidget(GroupBoxNoiseGate);
    left->addWidget(CheckBoxStereo);
    left->addWidget(CheckBoxUser);
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(GroupBoxVersion2);
    right->addWidget(RadioGroupBankStyle);
    right->addWidget(RadioGroupAllInfo);
    right->addStretch(1);
    auto *general = new QHBoxLayout(GroupBoxGeneral);
    general->addLayout(left);
    general->addLayout(right);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(mainMenu);
    layout->addWidget(GroupBoxGeneral);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// ---- Showing

int GlobalsWindow::showModal()
{
    struct Open {
        AmpGlobals &g;
        explicit Open(AmpGlobals &globals) : g(globals) { g.setGlobalsWindowOpen(true); }
        ~Open() { g.setGlobalsWindowOpen(false); }
    } open(globals_);
    return exec();
}

void GlobalsWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        run([this] { prepareForShow(); });
}

void GlobalsWindow::prepareForShow()
{
    files_.setDirectory(startFolder_);
    globals_.globalsWindowShown();
    setUpVersion2();
}

void GlobalsWindow::setUpVersion2()
{
    const bool on = firmware::hasVersion2(globals_.firmwareVersion());
    // Disabling the box disables everything in it.
    GroupBoxVersion2->setEnabled(on);
    NxNumberKnobIA->SetColor(on ? Teal : palette().color(QPalette::Button));
}

void GlobalsWindow::loadControls()
{
    const auto guard = globals_.loadingGuard();
    const auto &g = globals_.record();
    for (const CheckRow &row : checkRows())
        (this->*row.member)->setChecked(bitfield::read(g[row.field.index], row.field.shift, row.field.width) != 0);
    for (const KnobRow &row : knobRows()) {
        NumberKnob *knob = this->*row.member;
        knob->SetValue(float(g[row.field.index]));
        // A byte beyond the knob's range is held as the knob shows it.
        knobChanged(row, knob);
    }
    for (const RadioRow &row : radioRows()) {
        QButtonGroup *group = this->*row.buttons;
        if (QAbstractButton *button = group->button(g[row.field.index])) {
            button->setChecked(true);
        } else if (QAbstractButton *checked = group->checkedButton()) {
            // A value without an item (a channel byte above 15) selects
            // none; an exclusive group cannot uncheck its last button.
            group->setExclusive(false);
            checked->setChecked(false);
            group->setExclusive(true);
        }
    }
}

void GlobalsWindow::knobChanged(const KnobRow &row, Knob *knob)
{
    // The knobs step by whole numbers; a value becomes a byte by truncation.
    const auto value = std::uint8_t(int(static_cast<NumberKnob *>(knob)->GetValue()));
    // Both change reports of a step, and a drag's release, bring the same
    // value: only a change goes to the Amp.
    if (globals_.record()[row.field.index] != value)
        globals_.editGlobalByte(row.field, value);
}

// ---- Files and transfers

void GlobalsWindow::readGlobalFile(const QString &path)
{
    setWindowTitle(marked(files_.read(path)));
}

void GlobalsWindow::showSource()
{
    const QString path = globals_.sourcePath();
    setWindowTitle(marked(path.isEmpty() ? Caption : GlobalFiles::caption(path)));
}

void GlobalsWindow::openFile()
{
    const QString title = files_.open();
    if (!title.isEmpty())
        setWindowTitle(marked(title));
}

void GlobalsWindow::saveAs()
{
    const QString title = files_.saveAs();
    if (!title.isEmpty())
        setWindowTitle(marked(title));
}

void GlobalsWindow::closeWindow()
{
    close();
}

void GlobalsWindow::sendToAmp()
{
    globals_.sendGlobals();
}

void GlobalsWindow::fetchFromAmp()
{
    globals_.requestGlobals();
}

#include "editor/editorpanel.h"

#include "controls/tnxedit.h"
#include "controls/tnxnumberknob.h"
#include "controls/ttabcontrol.h"
#include "editor/amplists.h"
#include "editor/delaytime.h"
#include "editor/windowscolor.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"
#include "protocol/ampsender.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int FlangerIndex = 1;
constexpr int FlangerDTReset = 10;
constexpr int FlangerFBReset = 19;

std::uint8_t byteOf(const TNxKnob *knob)
{
    // The knobs step by whole numbers; a value becomes a byte by truncation.
    return std::uint8_t(int(static_cast<const TNxNumberKnob *>(knob)->GetValue()));
}

// Selects an item as data says, without running the list's handler: a list
// changed from the record must not write the record (the amp model's
// handler would rewrite ModelCode).
void selectQuietly(QComboBox *box, int index)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index < box->count() ? index : -1);
}

void checkQuietly(QCheckBox *box, bool on)
{
    const QSignalBlocker blocker(box);
    box->setChecked(on);
}

QGroupBox *radioGroup(QWidget *parent, const char *name, const QString &caption, const QString &hint,
                      const QStringList &items, QButtonGroup *&buttons)
{
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(hint);
    buttons = new QButtonGroup(box);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], box);
        buttons->addButton(button, i);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    return box;
}

QGroupBox *groupBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QGridLayout *knobGrid(QGroupBox *box)
{
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(4, 0, 4, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    return grid;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(hint);
    return box;
}

qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

EditorPanel::EditorPanel(DeviceImage &image, EditorState &state, AmpSender &sender, QWidget *parent)
    : QWidget(parent), image_(image), state_(state), sender_(sender)
{
    setObjectName(QStringLiteral("EditorPanel"));
    Clock = monotonicMs;

    // The controls keep their sizes; a window too small for them scrolls.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("PanelBox"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    panelBox_ = scroll;
    contents_ = new QWidget;
    contents_->setObjectName(QStringLiteral("PanelContents"));
    // The panel was laid out for a compact 8-point face; the desktop's
    // usual 10-point one would not fit the window's design size.
    QFont compact = font();
    compact.setPointSizeF(std::max(7.0, compact.pointSizeF() * 0.85));
    contents_->setFont(compact);

    buildModel();
    buildDualSections();
    buildModulationType();
    buildDelayTime();
    buildTapFunction();

    auto *grid = new QGridLayout(contents_);
    grid->setContentsMargins(4, 0, 4, 2);
    grid->setSpacing(2);
    grid->addWidget(GroupBoxModel, 0, 0, 1, 3);
    grid->addWidget(GroupBoxPreamp, 1, 0, 1, 2);
    grid->addWidget(GroupBoxReverb, 1, 2);
    grid->addWidget(GroupBoxModType, 2, 0);
    grid->addWidget(GroupBoxMod, 2, 1);
    grid->addWidget(GroupBoxDelay, 2, 2);
    grid->addWidget(GroupBoxDelayS, 3, 0, 1, 2);
    grid->addWidget(GroupBoxTapFn, 3, 2);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    scroll->setWidget(contents_);

    buildTabs();

    TimerFlangeKluge.setObjectName(QStringLiteral("TimerFlangeKluge"));
    TimerFlangeKluge.setInterval(250);
    TimerFlangeKluge.setSingleShot(true);
    on(&TimerFlangeKluge, &QTimer::timeout, &EditorPanel::TimerFlangeKlugeTimer);
    TimerTap.setObjectName(QStringLiteral("TimerTap"));
    TimerTap.setInterval(2000);
    TimerTap.setSingleShot(true);
    on(&TimerTap, &QTimer::timeout, &EditorPanel::TimerTapTimer);

    // The window starts in single view.
    TabControl1->setVisible(false);
    layoutPanel();
}

EditorPanel::~EditorPanel()
{
    // The controls outlive this body; none may reach a handler on the way out.
    for (TNxKnob *knob : knobs_) {
        knob->OnChanging = nullptr;
        knob->OnChanged = nullptr;
    }
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
}

void EditorPanel::call(const std::function<void()> &body)
{
    if (Run) {
        Run(body);
        return;
    }
    // Without an owner to show errors nothing may still escape into Qt's
    // event handling.
    try {
        body();
    } catch (const QuorvexError &e) {
        qWarning("Quorvex: %s", e.what());
    } catch (const Abort &) {
    }
}

TNxNumberKnob *EditorPanel::makeKnob(QGroupBox *box, QGridLayout *grid, int column, const char *name,
                                     const QString &caption, int min, int max, std::uint32_t colour,
                                     void (EditorPanel::*handler)(TNxKnob *))
{
    auto *label = new QLabel(caption, box);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    auto *knob = new TNxNumberKnob(box);
    knob->setObjectName(QLatin1String(name));
    knob->setFixedSize(33, 33);
    knob->SetMin(float(min));
    knob->SetMax(float(max));
    knob->SetInc(1.0f);
    knob->SetColor(fromWindowsColor(colour));
    knob->SetOuterTickColor(fromWindowsColor(Silver));
    knob->SetInnerTickColor(fromWindowsColor(White));
    knob->SetValue(float(min));
    // Reachable by Tab and by a click, so the arrow keys can turn it.
    knob->SetTabStop(true);
    knob->SetFocusOnClick(true);

    // The value under the knob, where a number can also be typed.
    auto *edit = new TNxEdit(box);
    edit->setObjectName(QLatin1String(name) + QLatin1String("Edit"));
    edit->setFixedSize(36, 16);
    edit->SetAlignment(TJustEdit::TextAlign::Center);
    edit->SetTarget(knob);
    knob->SetTarget(edit);
    knob->UpdateEdit();
    edit->OnConvertError = [this](TJustEdit *, const QString &message) {
        call([&] { throw QuorvexError(message); });
    };

    grid->addWidget(label, 0, column, Qt::AlignHCenter | Qt::AlignBottom);
    grid->addWidget(knob, 1, column, Qt::AlignHCenter);
    grid->addWidget(edit, 2, column, Qt::AlignHCenter);

    // Both events go to the one handler, as a turn reports each step and
    // then its end.
    knob->OnChanging = knob->OnChanged = [this, handler](TNxKnob *sender) {
        call([=, this] { (this->*handler)(sender); });
    };
    knobs_.push_back(knob);
    return knob;
}

void EditorPanel::onRadio(QButtonGroup *group, void (EditorPanel::*handler)())
{
    connect(group, &QButtonGroup::idToggled, this, [this, handler](int, bool checked) {
        if (checked)
            call([this, handler] { (this->*handler)(); });
    });
}

void EditorPanel::buildModel()
{
    GroupBoxModel = groupBox(contents_, "GroupBoxModel", QStringLiteral("Model"));
    auto *row = new QHBoxLayout(GroupBoxModel);
    row->setContentsMargins(4, 0, 4, 2);
    row->setSpacing(4);

    auto *lists = new QGridLayout;
    lists->setSpacing(2);
    ComboBoxAmp = new QComboBox(GroupBoxModel);
    ComboBoxAmp->setObjectName(QStringLiteral("ComboBoxAmp"));
    ComboBoxAmp->setToolTip(QStringLiteral("Sets gain, EQ type, and tweaks"));
    ComboBoxAmp->addItems(amplists::ampModels());
    ComboBoxCab = new QComboBox(GroupBoxModel);
    ComboBoxCab->setObjectName(QStringLiteral("ComboBoxCab"));
    ComboBoxCab->setToolTip(QStringLiteral("Select cabinet per preset or globally"));
    ComboBoxCab->addItems(amplists::cabinets());
    for (QComboBox *box : {ComboBoxAmp, ComboBoxCab}) {
        box->setMaxVisibleItems(16);
        box->setMinimumWidth(150);
    }
    CheckBoxGCab = checkBox(GroupBoxModel, "CheckBoxGCab", QStringLiteral("Global"), QStringLiteral("Overrides preset cab"));
    CheckBoxPad = checkBox(GroupBoxModel, "CheckBoxPad", QStringLiteral("Pad"),
                           QStringLiteral("6 dB reduction before first stage"));
    CheckBoxBright = checkBox(GroupBoxModel, "CheckBoxBright", QStringLiteral("Bright"), QStringLiteral("Adds sparkle"));
    lists->addWidget(ComboBoxAmp, 0, 0, 1, 2);
    lists->addWidget(ComboBoxCab, 1, 0, 1, 2);
    lists->addWidget(CheckBoxGCab, 2, 0);
    lists->addWidget(CheckBoxPad, 3, 0);
    lists->addWidget(CheckBoxBright, 3, 1);
    lists->setRowStretch(4, 1);
    row->addLayout(lists);

    RadioGroupChunk = radioGroup(GroupBoxModel, "RadioGroupChunk", QStringLiteral("Preamp Lows"),
                                 QStringLiteral("Pre-Distortion Rolloff"),
                                 {QStringLiteral("Most (sloppy)"), QStringLiteral("More"), QStringLiteral("Less"),
                                  QStringLiteral("Least (tight)")},
                                 ChunkButtons);
    const QStringList highToLow{QStringLiteral("High"), QStringLiteral("Medium"), QStringLiteral("Low")};
    RadioGroupPres = radioGroup(GroupBoxModel, "RadioGroupPres", QStringLiteral("Presence"),
                                QStringLiteral("Power Amp Highs"), highToLow, PresButtons);
    RadioGroupRes = radioGroup(GroupBoxModel, "RadioGroupRes", QStringLiteral("Resonance"),
                               QStringLiteral("Power Amp Lows"), highToLow, ResButtons);
    row->addWidget(RadioGroupChunk);
    row->addWidget(RadioGroupPres);
    row->addWidget(RadioGroupRes);

    auto *knobBox = new QGridLayout;
    knobBox->setSpacing(1);
    row->addLayout(knobBox);
    NxNumberKnobShift = makeKnob(GroupBoxModel, knobBox, 0, "NxNumberKnobShift", QStringLiteral("Mid Freq."), 1, 33,
                                 Green, &EditorPanel::NxNumberKnobShiftChanged);
    knobBox->setRowStretch(3, 1);

    on(ComboBoxAmp, &QComboBox::currentIndexChanged, &EditorPanel::ComboBoxAmpChange);
    on(ComboBoxCab, &QComboBox::currentIndexChanged, &EditorPanel::ComboBoxCabChange);
    on(CheckBoxGCab, &QCheckBox::toggled, &EditorPanel::CheckBoxGCabClick);
    on(CheckBoxPad, &QCheckBox::toggled, &EditorPanel::CheckBoxPadClick);
    on(CheckBoxBright, &QCheckBox::toggled, &EditorPanel::CheckBoxBrightClick);
    onRadio(ChunkButtons, &EditorPanel::RadioGroupChunkClick);
    onRadio(PresButtons, &EditorPanel::RadioGroupPresClick);
    onRadio(ResButtons, &EditorPanel::RadioGroupResClick);
}

void EditorPanel::buildDualSections()
{
    const QString altHint = QStringLiteral("Toggles the dual settings");
    auto popup = [this](QGroupBox *box, QCheckBox *alt, const char *menuName, const char *actionName,
                        const QString &caption, void (EditorPanel::*handler)(), QMenu *&menu) {
        menu = new QMenu(this);
        menu->setObjectName(QLatin1String(menuName));
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(actionName));
        on(action, &QAction::triggered, handler);
        // The copy command opens from the section's box or its Alt box.
        for (QWidget *w : {static_cast<QWidget *>(box), static_cast<QWidget *>(alt)}) {
            w->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(w, &QWidget::customContextMenuRequested, this,
                    [w, menu](const QPoint &pos) { menu->popup(w->mapToGlobal(pos)); });
        }
        return action;
    };

    GroupBoxPreamp = groupBox(contents_, "GroupBoxPreamp", QStringLiteral("Preamp (dual)"));
    auto *g = knobGrid(GroupBoxPreamp);
    NxNumberKnobPre = makeKnob(GroupBoxPreamp, g, 0, "NxNumberKnobPre", QStringLiteral("PreGain"), 1, 33, Maroon,
                               &EditorPanel::NxNumberKnobPreChanged);
    NxNumberKnobLow = makeKnob(GroupBoxPreamp, g, 1, "NxNumberKnobLow", QStringLiteral("Low"), 1, 33, Green,
                               &EditorPanel::NxNumberKnobLowChanged);
    NxNumberKnobMid = makeKnob(GroupBoxPreamp, g, 2, "NxNumberKnobMid", QStringLiteral("Mid"), 1, 33, Green,
                               &EditorPanel::NxNumberKnobMidChanged);
    NxNumberKnobHigh = makeKnob(GroupBoxPreamp, g, 3, "NxNumberKnobHigh", QStringLiteral("High"), 1, 33, Green,
                                &EditorPanel::NxNumberKnobHighChanged);
    NxNumberKnobPost = makeKnob(GroupBoxPreamp, g, 4, "NxNumberKnobPost", QStringLiteral("PostGain"), 1, 33, Maroon,
                                &EditorPanel::NxNumberKnobPostChanged);
    CheckBoxBoost = checkBox(GroupBoxPreamp, "CheckBoxBoost", QStringLiteral("Alt. (Boost)"), altHint);
    // Beside the knobs rather than under them: the panel is short of height.
    g->addWidget(CheckBoxBoost, 0, 5, 3, 1, Qt::AlignVCenter);
    SyncBoost = popup(GroupBoxPreamp, CheckBoxBoost, "PopupMenuPreamp", "SyncBoost",
                      QStringLiteral("Copy these 5 to the other (alt) settings"), &EditorPanel::SyncBoostClick,
                      PopupMenuPreamp);

    GroupBoxReverb = groupBox(contents_, "GroupBoxReverb", QStringLiteral("Reverb (dual)"));
    g = knobGrid(GroupBoxReverb);
    NxNumberKnobReverb = makeKnob(GroupBoxReverb, g, 0, "NxNumberKnobReverb", QStringLiteral("Level/Off"), 0, 33, Olive,
                                  &EditorPanel::NxNumberKnobReverbChanged);
    CheckBoxReverb = checkBox(GroupBoxReverb, "CheckBoxReverb", QStringLiteral("Alt. (Active)"), altHint);
    g->addWidget(CheckBoxReverb, 3, 0, 1, 1, Qt::AlignLeft);
    SyncReverb = popup(GroupBoxReverb, CheckBoxReverb, "PopupMenuReverb", "SyncReverb",
                       QStringLiteral("Copy this Reverb Level to the other (alt) setting"),
                       &EditorPanel::SyncReverbClick, PopupMenuReverb);

    GroupBoxMod = groupBox(contents_, "GroupBoxMod", QStringLiteral("Modulation (dual)"));
    g = knobGrid(GroupBoxMod);
    NxNumberKnobRate = makeKnob(GroupBoxMod, g, 0, "NxNumberKnobRate", QStringLiteral("Rate"), 1, 25, Maroon,
                                &EditorPanel::NxNumberKnobRateChanged);
    NxNumberKnobDepth = makeKnob(GroupBoxMod, g, 1, "NxNumberKnobDepth", QStringLiteral("Depth/Off"), 0, 25, Maroon,
                                 &EditorPanel::NxNumberKnobDepthChanged);
    CheckBoxMod = checkBox(GroupBoxMod, "CheckBoxMod", QStringLiteral("Alt. (Active)"), altHint);
    g->addWidget(CheckBoxMod, 3, 0, 1, 2, Qt::AlignLeft);
    SyncMod = popup(GroupBoxMod, CheckBoxMod, "PopupMenuMod", "SyncMod",
                    QStringLiteral("Copy these 2 to the other (alt) settings"), &EditorPanel::SyncModClick,
                    PopupMenuMod);

    GroupBoxDelay = groupBox(contents_, "GroupBoxDelay", QStringLiteral("Delay (dual)"));
    g = knobGrid(GroupBoxDelay);
    NxNumberKnobDLFeedback = makeKnob(GroupBoxDelay, g, 0, "NxNumberKnobDLFeedback", QStringLiteral("Feedback"), 1, 25,
                                      Maroon, &EditorPanel::NxNumberKnobDLFeedbackChanged);
    NxNumberKnobDLLevel = makeKnob(GroupBoxDelay, g, 1, "NxNumberKnobDLLevel", QStringLiteral("Level/Off"), 0, 25, Maroon,
                                   &EditorPanel::NxNumberKnobDLLevelChanged);
    CheckBoxDelay = checkBox(GroupBoxDelay, "CheckBoxDelay", QStringLiteral("Alt. (Active)"), altHint);
    g->addWidget(CheckBoxDelay, 3, 0, 1, 2, Qt::AlignLeft);
    SyncDelay = popup(GroupBoxDelay, CheckBoxDelay, "PopupMenuDelay", "SyncDelay",
                      QStringLiteral("Copy these 2 to the other (alt) settings"), &EditorPanel::SyncDelayClick,
                      PopupMenuDelay);

    sections_[Preamp] = {{NxNumberKnobPre, NxNumberKnobLow, NxNumberKnobMid, NxNumberKnobHigh, NxNumberKnobPost},
                         {preset::PreGain, preset::Low, preset::Mid, preset::High, preset::PostGain},
                         preset::BoostAlt, CheckBoxBoost};
    sections_[Modulation] = {{NxNumberKnobRate, NxNumberKnobDepth}, {preset::ModRate, preset::ModDepth},
                             preset::ModAlt, CheckBoxMod};
    sections_[Delay] = {{NxNumberKnobDLFeedback, NxNumberKnobDLLevel}, {preset::DLFeedback, preset::DLLevel},
                        preset::DelayAlt, CheckBoxDelay};
    sections_[Reverb] = {{NxNumberKnobReverb}, {preset::ReverbLevel}, preset::ReverbAlt, CheckBoxReverb};

    on(CheckBoxBoost, &QCheckBox::toggled, &EditorPanel::CheckBoxBoostClick);
    on(CheckBoxReverb, &QCheckBox::toggled, &EditorPanel::CheckBoxReverbClick);
    on(CheckBoxMod, &QCheckBox::toggled, &EditorPanel::CheckBoxModClick);
    on(CheckBoxDelay, &QCheckBox::toggled, &EditorPanel::CheckBoxDelayClick);
}

void EditorPanel::buildModulationType()
{
    GroupBoxModType = groupBox(contents_, "GroupBoxModType", QStringLiteral("Modulation Type"));
    auto *g = knobGrid(GroupBoxModType);
    ComboBoxMod = new QComboBox(GroupBoxModType);
    ComboBoxMod->setObjectName(QStringLiteral("ComboBoxMod"));
    ComboBoxMod->addItems(preset::modulationTypes());
    g->addWidget(ComboBoxMod, 0, 0, 1, 2);
    auto *knobs = new QGridLayout;
    knobs->setSpacing(1);
    g->addLayout(knobs, 1, 0, 1, 2);
    NxNumberKnobFlangerDT = makeKnob(GroupBoxModType, knobs, 0, "NxNumberKnobFlangerDT", QStringLiteral("FL Del Time"), 1,
                                     25, Teal, &EditorPanel::NxNumberKnobFlangerDTChanged);
    NxNumberKnobFlangerFB = makeKnob(GroupBoxModType, knobs, 1, "NxNumberKnobFlangerFB", QStringLiteral("FL FdBack"), 1,
                                     25, Teal, &EditorPanel::NxNumberKnobFlangerFBChanged);
    on(ComboBoxMod, &QComboBox::currentIndexChanged, &EditorPanel::ComboBoxModChange);
}

void EditorPanel::buildDelayTime()
{
    GroupBoxDelayS = groupBox(contents_, "GroupBoxDelayS", QStringLiteral("Delay Time / Tone"));
    auto *g = knobGrid(GroupBoxDelayS);
    NxNumberKnobDLTime = makeKnob(GroupBoxDelayS, g, 0, "NxNumberKnobDLTime", QStringLiteral("Base"), 1, 255, Navy,
                                  &EditorPanel::NxNumberKnobDLTimeChanged);
    NxNumberKnobDLTime->setToolTip(QStringLiteral("Set base delay time (before Scale)"));
    // 255 steps make too long a menu.
    NxNumberKnobDLTime->SetRightMenu(false);
    NxNumberKnobDLScale = makeKnob(GroupBoxDelayS, g, 1, "NxNumberKnobDLScale", QStringLiteral("Scale"), 1, 25, Navy,
                                   &EditorPanel::NxNumberKnobDLScaleChanged);
    NxNumberKnobDLScale->setToolTip(QStringLiteral("+/- 50% of Base"));
    NxNumberKnobDLSeparation = makeKnob(GroupBoxDelayS, g, 2, "NxNumberKnobDLSeparation", QStringLiteral("Separation"), 0,
                                        25, Navy, &EditorPanel::NxNumberKnobDLSeparationChanged);
    NxNumberKnobDLSeparation->setToolTip(QStringLiteral("Increase for more stereo spread"));

    auto *side = new QVBoxLayout;
    side->setSpacing(2);
    CheckBoxDark = checkBox(GroupBoxDelayS, "CheckBoxDark", QStringLiteral("Dark"), QStringLiteral("More High Cut on the echoes"));
    BitBtnTap = new QPushButton(QStringLiteral("Tap"), GroupBoxDelayS);
    BitBtnTap->setObjectName(QStringLiteral("BitBtnTap"));
    BitBtnTap->setToolTip(QStringLiteral("Tap in base delay time (before Scale)"));
    StaticText22 = new QLabel(delaytime::emptyLabel(), GroupBoxDelayS);
    StaticText22->setObjectName(QStringLiteral("StaticText22"));
    side->addWidget(CheckBoxDark);
    side->addWidget(BitBtnTap);
    side->addWidget(StaticText22);
    side->addStretch(1);
    g->addLayout(side, 0, 3, 3, 1);
    g->setColumnStretch(4, 1);

    on(CheckBoxDark, &QCheckBox::toggled, &EditorPanel::CheckBoxDarkClick);
    on(BitBtnTap, &QPushButton::clicked, &EditorPanel::BitBtnTapClick);
}

void EditorPanel::buildTapFunction()
{
    GroupBoxTapFn = groupBox(contents_, "GroupBoxTapFn", QStringLiteral("Footswitch Tap"));
    auto *v = new QVBoxLayout(GroupBoxTapFn);
    v->setContentsMargins(4, 0, 4, 2);
    v->setSpacing(2);
    LabelTapFn = new QLabel(QStringLiteral("Stompbar TapTempo Function"), GroupBoxTapFn);
    ComboBoxTap = new QComboBox(GroupBoxTapFn);
    ComboBoxTap->setObjectName(QStringLiteral("ComboBoxTap"));
    ComboBoxTap->setToolTip(QStringLiteral("Alternate uses for Tap Tempo footswitch"));
    ComboBoxTap->addItems(preset::tapFunctions());
    ComboBoxTap->setMaxVisibleItems(16);
    BitBtnExec = new QPushButton(QStringLiteral("Exec"), GroupBoxTapFn);
    BitBtnExec->setObjectName(QStringLiteral("BitBtnExec"));
    BitBtnExec->setToolTip(QStringLiteral("Simulates pressing Tap Tempo footswitch"));
    v->addWidget(LabelTapFn);
    v->addWidget(ComboBoxTap);
    v->addWidget(BitBtnExec, 0, Qt::AlignLeft);
    v->addStretch(1);

    on(ComboBoxTap, &QComboBox::currentIndexChanged, &EditorPanel::ComboBoxTapChange);
    on(BitBtnExec, &QPushButton::clicked, &EditorPanel::BitBtnExecClick);
}

void EditorPanel::buildTabs()
{
    TabControl1 = new TTabControl(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        TabControl1->addTab(preset::slotName(slot));
    on(TabControl1, &TTabControl::currentChanged, &EditorPanel::TabControl1Change);

    PopupMenuTabs = new QMenu(this);
    PopupMenuTabs->setObjectName(QStringLiteral("PopupMenuTabs"));
    BoostAllTabs1 = PopupMenuTabs->addAction(QStringLiteral("Boost All Tabs"));
    BoostAllTabs1->setObjectName(QStringLiteral("BoostAllTabs1"));
    UnboostAllTabs1 = PopupMenuTabs->addAction(QStringLiteral("Un-boost All Tabs"));
    UnboostAllTabs1->setObjectName(QStringLiteral("UnboostAllTabs1"));
    PopupMenuTabs->addSeparator();
    RestoreBoostSettings1 = PopupMenuTabs->addAction(QStringLiteral("Restore Boost Settings"));
    RestoreBoostSettings1->setObjectName(QStringLiteral("RestoreBoostSettings1"));
    RestoreBoostSettings1->setEnabled(false);
    on(BoostAllTabs1, &QAction::triggered, &EditorPanel::BoostAllTabs1Click);
    on(UnboostAllTabs1, &QAction::triggered, &EditorPanel::UnboostAllTabs1Click);
    on(RestoreBoostSettings1, &QAction::triggered, &EditorPanel::RestoreBoostSettings1Click);
    TabControl1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TabControl1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenuTabs->popup(TabControl1->mapToGlobal(pos)); });
}

void EditorPanel::layoutPanel()
{
    const bool group = TabControl1->isVisibleTo(this);
    const int tabs = TabControl1->heightForWidth(width());
    if (group)
        TabControl1->setGeometry(0, 0, width(), tabs);
    // Below the tabs, however many rows they take.
    const int top = group ? std::max(GroupTop, tabs) : SingleTop;
    panelBox_->setGeometry(0, top, width(), std::max(0, height() - top));
}

void EditorPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPanel();
}

QSize EditorPanel::sizeHint() const
{
    const QSize box = contents_->sizeHint();
    return QSize(box.width(), box.height() + std::max(GroupTop, TabControl1->heightForWidth(box.width())));
}

std::span<std::uint8_t, preset::RecordSize> EditorPanel::record()
{
    return image_.record(slot());
}

void EditorPanel::sendByte(int index)
{
    sender_.sendParameter(index);
}

void EditorPanel::sendField(Field f)
{
    sender_.sendBitField(f);
}

// ---- Loading ----

void EditorPanel::LoadPanel()
{
    const LoadingGuard guard(state_);
    const auto r = record();

    selectQuietly(ComboBoxAmp, image_.readField(slot(), preset::AmpModel));

    state_.presetCabinetMemory = image_.readField(slot(), preset::Cabinet);
    // While the override is on the list keeps showing the global cabinet.
    if (!CheckBoxGCab->isChecked())
        selectQuietly(ComboBoxCab, state_.presetCabinetMemory);

    selectQuietly(ComboBoxMod, image_.readField(slot(), preset::ModType));
    selectQuietly(ComboBoxTap, image_.readField(slot(), preset::TapFunction));

    CheckBoxPad->setChecked(image_.readField(slot(), preset::PadOff) == 0);
    CheckBoxBright->setChecked(image_.readField(slot(), preset::Bright) == 1);
    CheckBoxDark->setChecked(image_.readField(slot(), preset::Dark) == 1);

    CheckBoxBoost->setChecked(image_.readField(slot(), preset::BoostAlt) == 1);
    CheckBoxMod->setChecked(image_.readField(slot(), preset::ModAlt) == 1);
    CheckBoxDelay->setChecked(image_.readField(slot(), preset::DelayAlt) == 1);
    CheckBoxReverb->setChecked(image_.readField(slot(), preset::ReverbAlt) == 1);

    for (Section s : {Preamp, Modulation, Delay, Reverb})
        ShowActiveSet(s);

    NxNumberKnobShift->SetValue(r[preset::MidFreq]);
    NxNumberKnobFlangerFB->SetValue(r[preset::FlangerFB]);
    NxNumberKnobFlangerDT->SetValue(r[preset::FlangerDT]);
    NxNumberKnobDLTime->SetValue(r[preset::DLTime]);
    NxNumberKnobDLSeparation->SetValue(image_.readField(slot(), preset::DLSeparationBits));
    NxNumberKnobDLScale->SetValue(r[preset::DLScale]);

    UpdateDelayTimeLabel();

    selectRadio(ChunkButtons, preset::radioItem(preset::Radio::PreampLows, image_.readField(slot(), preset::PreampLows)));
    selectRadio(PresButtons, preset::radioItem(preset::Radio::Presence, image_.readField(slot(), preset::Presence)));
    selectRadio(ResButtons, preset::radioItem(preset::Radio::Resonance, image_.readField(slot(), preset::Resonance)));

    UpdateFlangerKnobs();
    writeBackClamped();
    // A knob that has not been painted yet takes a value without telling its edit.
    for (TNxKnob *knob : knobs_)
        if (!knob->PaintedOnce())
            knob->UpdateEdit();
}

void EditorPanel::writeBackClamped()
{
    const auto r = record();
    for (Section s : {Preamp, Modulation, Delay, Reverb}) {
        const DualSection &section = sections_[s];
        for (std::size_t i = 0; i < section.knobs.size(); ++i)
            r[dualByte(s, section.normalBytes[i])] = byteOf(section.knobs[i]);
    }
    r[preset::MidFreq] = byteOf(NxNumberKnobShift);
    r[preset::FlangerFB] = byteOf(NxNumberKnobFlangerFB);
    r[preset::FlangerDT] = byteOf(NxNumberKnobFlangerDT);
    r[preset::DLTime] = byteOf(NxNumberKnobDLTime);
    r[preset::DLScale] = byteOf(NxNumberKnobDLScale);
    image_.writeField(slot(), preset::DLSeparationBits, byteOf(NxNumberKnobDLSeparation));
}

void EditorPanel::selectRadio(QButtonGroup *group, int item)
{
    if (QAbstractButton *button = group->button(item)) {
        button->setChecked(true);
        return;
    }
    // No item: an exclusive group cannot uncheck its last button.
    if (QAbstractButton *checked = group->checkedButton()) {
        group->setExclusive(false);
        checked->setChecked(false);
        group->setExclusive(true);
    }
}

void EditorPanel::showGlobalCabinet(bool on, int item)
{
    // The Amp's report: the controls follow it, the GlobalRecord keeps what
    // the Amp said.
    checkQuietly(CheckBoxGCab, on);
    selectQuietly(ComboBoxCab, item);
}

void EditorPanel::SetView(EditorState::View view)
{
    const bool group = view == EditorState::View::Group;
    if (group) {
        TabControl1->setVisible(true);
        RestoreBoostSettings1->setEnabled(false);
        snapshotArmed_ = true;
    } else {
        TabControl1->setVisible(false);
        const QSignalBlocker blocker(TabControl1);
        TabControl1->setCurrentIndex(0);
        state_.tabIndex = 0;
    }
    layoutPanel();
    if (OnViewItems)
        OnViewItems(group);
    state_.view = view;
}

void EditorPanel::SelectSlotQuietly(int slot)
{
    const QSignalBlocker blocker(TabControl1);
    TabControl1->setCurrentIndex(slot);
    state_.tabIndex = TabControl1->currentIndex();
}

void EditorPanel::AdaptToFirmware(std::uint8_t version)
{
    const bool newer = version >= amplists::NewerFirmware;
    auto fit = [](QComboBox *box, const QStringList &all, int keep) {
        const QSignalBlocker blocker(box);
        const int current = box->currentIndex();
        while (box->count() > keep)
            box->removeItem(box->count() - 1);
        for (int i = box->count(); i < keep; ++i)
            box->addItem(all[i]);
        box->setCurrentIndex(current < box->count() ? current : -1);
    };
    const int models = newer ? preset::SlotCount : amplists::FirstNewerModel;
    fit(ComboBoxAmp, amplists::ampModels(), models);
    fit(ComboBoxCab, amplists::cabinets(), models);
    const QStringList types = preset::modulationTypes();
    fit(ComboBoxMod, types, newer ? int(types.size()) : int(types.size()) - 1);
    CheckBoxGCab->setEnabled(newer);
    // The lists may have lost the entry the record holds.
    LoadPanel();
}

// ---- Slot tabs ----

void EditorPanel::TabControl1Change()
{
    state_.tabIndex = std::max(0, TabControl1->currentIndex());
    LoadPanel();
    sender_.sendEditorData();
}

// ---- Model box ----

void EditorPanel::ComboBoxAmpChange()
{
    const int index = ComboBoxAmp->currentIndex();
    if (index < 0)
        return;
    image_.setAmpModel(slot(), index);
    sendField(preset::AmpModel);
}

void EditorPanel::ComboBoxCabChange()
{
    const int index = ComboBoxCab->currentIndex();
    if (index < 0)
        return;
    if (CheckBoxGCab->isChecked()) {
        image_.globals[GlobalCabinet] = std::uint8_t(index + 1);
        sender_.sendGlobalBitField(GlobalCabinet, 0, 5);
        return;
    }
    image_.writeField(slot(), preset::Cabinet, index);
    // Switching the override off later must show this cabinet, not the one
    // the slot was loaded with.
    state_.presetCabinetMemory = std::uint8_t(index);
    sendField(preset::Cabinet);
}

void EditorPanel::CheckBoxGCabClick()
{
    if (CheckBoxGCab->isChecked()) {
        const int index = ComboBoxCab->currentIndex();
        image_.globals[GlobalCabinet] = std::uint8_t((index >= 0 ? index : state_.presetCabinetMemory) + 1);
    } else {
        image_.globals[GlobalCabinet] = 0;
        selectQuietly(ComboBoxCab, state_.presetCabinetMemory);
    }
    sender_.sendGlobalBitField(GlobalCabinet, 0, 5);
}

void EditorPanel::CheckBoxPadClick()
{
    image_.writeField(slot(), preset::PadOff, CheckBoxPad->isChecked() ? 0 : 1);
    sendField(preset::PadOff);
}

void EditorPanel::CheckBoxBrightClick()
{
    image_.writeField(slot(), preset::Bright, CheckBoxBright->isChecked() ? 1 : 0);
    sendField(preset::Bright);
}

void EditorPanel::RadioGroupChunkClick()
{
    const int item = ChunkButtons->checkedId();
    image_.writeField(slot(), preset::PreampLows, item >= 0 ? preset::radioCode(preset::Radio::PreampLows, item) : 2);
    sendField(preset::PreampLows);
}

void EditorPanel::RadioGroupPresClick()
{
    image_.writeField(slot(), preset::Presence, preset::radioCode(preset::Radio::Presence, PresButtons->checkedId()));
    sendField(preset::Presence);
}

void EditorPanel::RadioGroupResClick()
{
    image_.writeField(slot(), preset::Resonance, preset::radioCode(preset::Radio::Resonance, ResButtons->checkedId()));
    sendField(preset::Resonance);
}

// ---- Knobs ----

void EditorPanel::writeKnob(TNxKnob *sender, int index)
{
    record()[index] = byteOf(sender);
    sendByte(index);
}

int EditorPanel::dualByte(Section s, int normal) const
{
    return normal + (sections_[s].altBox->isChecked() ? 1 : 0);
}

void EditorPanel::writeDualKnob(TNxKnob *sender, Section s, int normal)
{
    writeKnob(sender, dualByte(s, normal));
}

void EditorPanel::NxNumberKnobShiftChanged(TNxKnob *k) { writeKnob(k, preset::MidFreq); }
void EditorPanel::NxNumberKnobPreChanged(TNxKnob *k) { writeDualKnob(k, Preamp, preset::PreGain); }
void EditorPanel::NxNumberKnobLowChanged(TNxKnob *k) { writeDualKnob(k, Preamp, preset::Low); }
void EditorPanel::NxNumberKnobMidChanged(TNxKnob *k) { writeDualKnob(k, Preamp, preset::Mid); }
void EditorPanel::NxNumberKnobHighChanged(TNxKnob *k) { writeDualKnob(k, Preamp, preset::High); }
void EditorPanel::NxNumberKnobPostChanged(TNxKnob *k) { writeDualKnob(k, Preamp, preset::PostGain); }
void EditorPanel::NxNumberKnobReverbChanged(TNxKnob *k) { writeDualKnob(k, Reverb, preset::ReverbLevel); }
void EditorPanel::NxNumberKnobRateChanged(TNxKnob *k) { writeDualKnob(k, Modulation, preset::ModRate); }
void EditorPanel::NxNumberKnobDepthChanged(TNxKnob *k) { writeDualKnob(k, Modulation, preset::ModDepth); }
void EditorPanel::NxNumberKnobDLFeedbackChanged(TNxKnob *k) { writeDualKnob(k, Delay, preset::DLFeedback); }
void EditorPanel::NxNumberKnobDLLevelChanged(TNxKnob *k) { writeDualKnob(k, Delay, preset::DLLevel); }
void EditorPanel::NxNumberKnobFlangerFBChanged(TNxKnob *k) { writeKnob(k, preset::FlangerFB); }
void EditorPanel::NxNumberKnobFlangerDTChanged(TNxKnob *k) { writeKnob(k, preset::FlangerDT); }

// ---- Modulation type and the flanger hold ----

void EditorPanel::ComboBoxModChange()
{
    const int index = ComboBoxMod->currentIndex();
    if (index < 0)
        return;
    image_.writeField(slot(), preset::ModType, index);
    // Old firmware resets the flanger when it is chosen and echoes its own
    // values; the editor sets the defaults, sends them, and ignores the
    // echoes for a moment.
    const bool reset = index == FlangerIndex && state_.oldFirmware();
    if (reset) {
        state_.flangerHold = true;
        TimerFlangeKluge.start();
        record()[preset::FlangerDT] = FlangerDTReset;
        record()[preset::FlangerFB] = FlangerFBReset;
        LoadPanel();
    }
    sendField(preset::ModType);
    if (reset) {
        sendByte(preset::FlangerDT);
        sendByte(preset::FlangerFB);
    }
    UpdateFlangerKnobs();
}

void EditorPanel::TimerFlangeKlugeTimer()
{
    TimerFlangeKluge.stop();
    state_.flangerHold = false;
}

void EditorPanel::UpdateFlangerKnobs()
{
    const bool on = ComboBoxMod->currentIndex() == FlangerIndex;
    const QColor colour = on ? fromWindowsColor(Teal) : palette().color(QPalette::Button);
    for (TNxNumberKnob *knob : {NxNumberKnobFlangerDT, NxNumberKnobFlangerFB}) {
        knob->setEnabled(on);
        knob->SetColor(colour);
    }
}

// ---- Dual sections ----

void EditorPanel::ShowActiveSet(Section s)
{
    const DualSection &section = sections_[s];
    const bool alt = section.altBox->isChecked();
    auto body = [&](std::uint32_t normal, std::uint32_t other) { return fromWindowsColor(alt ? other : normal); };
    const QColor outer = fromWindowsColor(alt ? Black : Silver);
    const QColor inner = fromWindowsColor(alt ? Gray : White);
    for (std::size_t i = 0; i < section.knobs.size(); ++i) {
        TNxNumberKnob *knob = section.knobs[i];
        if (s == Preamp && knob != NxNumberKnobPre && knob != NxNumberKnobPost)
            knob->SetColor(body(Green, Lime));
        else if (s == Reverb)
            knob->SetColor(body(Olive, Yellow));
        else
            knob->SetColor(body(Maroon, Red));
        knob->SetOuterTickColor(outer);
        knob->SetInnerTickColor(inner);
    }
    // Moving a knob runs its handler, which writes the same value back and,
    // outside loading, sends it.
    const auto r = record();
    for (std::size_t i = 0; i < section.knobs.size(); ++i)
        section.knobs[i]->SetValue(r[dualByte(s, section.normalBytes[i])]);
}

void EditorPanel::altBoxClick(Section s)
{
    const DualSection &section = sections_[s];
    image_.writeField(slot(), section.flag, section.altBox->isChecked() ? 1 : 0);
    sendField(section.flag);
    ShowActiveSet(s);
}

void EditorPanel::CheckBoxBoostClick() { altBoxClick(Preamp); }
void EditorPanel::CheckBoxReverbClick() { altBoxClick(Reverb); }
void EditorPanel::CheckBoxModClick() { altBoxClick(Modulation); }
void EditorPanel::CheckBoxDelayClick() { altBoxClick(Delay); }

void EditorPanel::copyToOther(Section s)
{
    const DualSection &section = sections_[s];
    const int shown = section.altBox->isChecked() ? 1 : 0;
    const auto r = record();
    for (int normal : section.normalBytes)
        r[normal + 1 - shown] = r[normal + shown];
    auto sendCopies = [&] {
        for (int normal : section.normalBytes)
            sendByte(normal + 1 - shown);
    };

    if (s != Preamp) {
        sendCopies();
        return;
    }
    // Old firmware takes preamp values only into the set that is active:
    // switch it to the other set while the copies go out, then back.
    const bool old = state_.oldFirmware();
    if (old) {
        sendCopies();
        image_.writeField(slot(), preset::BoostAlt, 1 - shown);
        sendField(preset::BoostAlt);
    }
    sendCopies();
    if (old) {
        image_.writeField(slot(), preset::BoostAlt, shown);
        sendField(preset::BoostAlt);
    }
}

void EditorPanel::SyncBoostClick() { copyToOther(Preamp); }
void EditorPanel::SyncReverbClick() { copyToOther(Reverb); }
void EditorPanel::SyncModClick() { copyToOther(Modulation); }
void EditorPanel::SyncDelayClick() { copyToOther(Delay); }

void EditorPanel::boostAll(bool on)
{
    if (snapshotArmed_) {
        for (int s = 0; s < preset::SlotCount; ++s)
            snapshot_[s] = image_.readField(s, preset::BoostAlt) != 0;
    }
    snapshotArmed_ = false;
    for (int s = 0; s < preset::SlotCount; ++s)
        image_.writeField(s, preset::BoostAlt, on ? 1 : 0);
    CheckBoxBoost->setChecked(on);
    ShowActiveSet(Preamp);
    RestoreBoostSettings1->setEnabled(true);
}

void EditorPanel::BoostAllTabs1Click() { boostAll(true); }
void EditorPanel::UnboostAllTabs1Click() { boostAll(false); }

void EditorPanel::RestoreBoostSettings1Click()
{
    for (int s = 0; s < preset::SlotCount; ++s)
        image_.writeField(s, preset::BoostAlt, snapshot_[s] ? 1 : 0);
    CheckBoxBoost->setChecked(image_.readField(slot(), preset::BoostAlt) != 0);
    ShowActiveSet(Preamp);
    RestoreBoostSettings1->setEnabled(false);
}

// ---- Delay time, tone and tap ----

void EditorPanel::NxNumberKnobDLTimeChanged(TNxKnob *k)
{
    record()[preset::DLTime] = byteOf(k);
    sendByte(preset::DLTime);
    if (state_.oldFirmware())
        sendField(preset::DLSepBit5);
    UpdateDelayTimeLabel();
}

void EditorPanel::NxNumberKnobDLScaleChanged(TNxKnob *k)
{
    record()[preset::DLScale] = byteOf(k);
    sendByte(preset::DLScale);
    UpdateDelayTimeLabel();
}

void EditorPanel::NxNumberKnobDLSeparationChanged(TNxKnob *k)
{
    image_.writeField(slot(), preset::DLSeparationBits, byteOf(k));
    sendField(preset::DLSeparation);
}

void EditorPanel::CheckBoxDarkClick()
{
    image_.writeField(slot(), preset::Dark, CheckBoxDark->isChecked() ? 1 : 0);
    sendField(preset::Dark);
}

void EditorPanel::ComboBoxTapChange()
{
    const int index = ComboBoxTap->currentIndex();
    if (index < 0)
        return;
    image_.writeField(slot(), preset::TapFunction, index);
    sendField(preset::TapFunction);
    if (state_.oldFirmware())
        sendField(preset::AltFlags);
}

void EditorPanel::BitBtnExecClick()
{
    sender_.send(amp::footswitch(1));
}

void EditorPanel::UpdateDelayTimeLabel()
{
    StaticText22->setText(delaytime::label(byteOf(NxNumberKnobDLTime), byteOf(NxNumberKnobDLScale)));
}

void EditorPanel::BitBtnTapClick()
{
    if (!tapArmed_) {
        tapArmed_ = true;
        tapFirst_ = Clock();
        BitBtnTap->setText(QStringLiteral("Again"));
        TimerTap.start();
        return;
    }
    tapArmed_ = false;
    BitBtnTap->setText(QStringLiteral("Tap"));
    const qint64 d = Clock() - tapFirst_;
    NxNumberKnobDLTime->SetValue(delaytime::baseForTapInterval(d));
    NxNumberKnobDLScale->SetValue(float(delaytime::UnitScale));
    TimerTap.stop();
}

void EditorPanel::TimerTapTimer()
{
    TimerTap.stop();
    tapArmed_ = false;
    BitBtnTap->setText(QStringLiteral("Tap"));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/editorpanel.h"

#include "controls/flatgroupbox.h"
#include "controls/valueedit.h"
#include "controls/numberknob.h"
#include "controls/presettabs.h"
#include "editor/windowscolor.h"
#include "model/amplists.h"
#include "model/firmware.h"
#include "session/ampglobals.h"
#include "session/commandqueue.h"
#include "model/delaytime.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
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
#include <optional>

using preset::Dual;
using presetparams::Section;
using presetparams::sectionCaption;

namespace {

constexpr int FlangerType = 1;
constexpr int TapFunctions = 16; // a four-bit field: every value has an entry
constexpr Field WholeByte{-1, 0, 0};

// The group boxes that hold knobs, in the order they are built.
enum class Box { Model, Preamp, Reverb, Modulation, Delay, ModType, DelayTime, Count };

std::uint8_t byteOf(const Knob *knob)
{
    // The knobs step by whole numbers; a value becomes a byte by truncation.
    return std::uint8_t(int(static_cast<const NumberKnob *>(knob)->GetValue()));
}

void checkQuietly(QCheckBox *box, bool on)
{
    const QSignalBlocker blocker(box);
    box->setChecked(on);
}

QGroupBox *groupBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = new FlatGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QGridLayout *knobGrid(QWidget *box)
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

// A list shows a value it has an entry for; any other value the Amp or a
// file may hold shows as an entry of its own rather than as a blank.
void showValue(QComboBox *box, int value, int entries)
{
    const QSignalBlocker blocker(box);
    if (value >= 0 && value < entries) {
        while (box->count() > entries)
            box->removeItem(box->count() - 1);
        box->setCurrentIndex(value);
        return;
    }
    const QString unknown = QStringLiteral("Unknown (%1)").arg(value);
    if (box->count() > entries)
        box->setItemText(entries, unknown);
    else
        box->addItem(unknown);
    box->setCurrentIndex(entries);
}

// The lists keep this many of their entries for a firmware version.
int modelEntries(std::uint8_t version)
{
    return firmware::hasVersion2(version) ? preset::SlotCount : amplists::FirstNewerModel;
}
int modulationEntries(std::uint8_t version)
{
    const int all = int(amplists::modulationTypes().size());
    return firmware::hasVersion2(version) ? all : all - 1;
}

} // namespace

// ---- The binding tables

struct EditorPanel::KnobRow {
    NumberKnob *EditorPanel::*member;
    const char *name;
    const char *hint;
    Box box;
    int column;
    int byte;    // the record byte; the normal one of a dual pair
    Field field; // WholeByte, or the field the knob edits
    // The dual section the knob belongs to, and its body colours.
    std::optional<Dual> dual;
    std::uint32_t colour, altColour;
    bool delayTime;  // the delay time label follows it
    bool rightMenu;  // 255 steps make too long a menu
};

const std::vector<EditorPanel::KnobRow> &EditorPanel::knobRows()
{
    using P = EditorPanel;
    using namespace preset;
    static const std::vector<KnobRow> rows{
        {&P::NxNumberKnobShift, "NxNumberKnobShift", nullptr, Box::Model, 0, MidFreq, WholeByte,
         std::nullopt, Green, Green, false, true},
        {&P::NxNumberKnobPre, "NxNumberKnobPre", nullptr, Box::Preamp, 0, PreGain, WholeByte, Dual::Preamp,
         Maroon, Red, false, true},
        {&P::NxNumberKnobLow, "NxNumberKnobLow", nullptr, Box::Preamp, 1, Low, WholeByte, Dual::Preamp, Green,
         Lime, false, true},
        {&P::NxNumberKnobMid, "NxNumberKnobMid", nullptr, Box::Preamp, 2, Mid, WholeByte, Dual::Preamp, Green,
         Lime, false, true},
        {&P::NxNumberKnobHigh, "NxNumberKnobHigh", nullptr, Box::Preamp, 3, High, WholeByte, Dual::Preamp,
         Green, Lime, false, true},
        {&P::NxNumberKnobPost, "NxNumberKnobPost", nullptr, Box::Preamp, 4, PostGain, WholeByte,
         Dual::Preamp, Maroon, Red, false, true},
        {&P::NxNumberKnobReverb, "NxNumberKnobReverb", nullptr, Box::Reverb, 0, ReverbLevel, WholeByte,
         Dual::Reverb, Olive, Yellow, false, true},
        {&P::NxNumberKnobRate, "NxNumberKnobRate", nullptr, Box::Modulation, 0, ModRate, WholeByte,
         Dual::Modulation, Maroon, Red, false, true},
        {&P::NxNumberKnobDepth, "NxNumberKnobDepth", nullptr, Box::Modulation, 1, ModDepth, WholeByte,
         Dual::Modulation, Maroon, Red, false, true},
        {&P::NxNumberKnobDLFeedback, "NxNumberKnobDLFeedback", nullptr, Box::Delay, 0, DLFeedback,
         WholeByte, Dual::Delay, Maroon, Red, false, true},
        {&P::NxNumberKnobDLLevel, "NxNumberKnobDLLevel", nullptr, Box::Delay, 1, DLLevel, WholeByte,
         Dual::Delay, Maroon, Red, false, true},
        {&P::NxNumberKnobFlangerDT, "NxNumberKnobFlangerDT", nullptr, Box::ModType, 0, FlangerDT,
         WholeByte, std::nullopt, Teal, Teal, false, true},
        {&P::NxNumberKnobFlangerFB, "NxNumberKnobFlangerFB", nullptr, Box::ModType, 1, FlangerFB,
         WholeByte, std::nullopt, Teal, Teal, false, true},
        {&P::NxNumberKnobDLTime, "NxNumberKnobDLTime", "Set base delay time (before Scale)", Box::DelayTime,
         0, DLTime, WholeByte, std::nullopt, Navy, Navy, true, false},
        {&P::NxNumberKnobDLScale, "NxNumberKnobDLScale", "+/- 50% of Base", Box::DelayTime, 1, DLScale,
         WholeByte, std::nullopt, Navy, Navy, true, true},
        {&P::NxNumberKnobDLSeparation, "NxNumberKnobDLSeparation", "Increase for more stereo spread",
         Box::DelayTime, 2, DLSepDark, DLSeparationBits, std::nullopt, Navy, Navy, false, true},
    };
    return rows;
}

// Check boxes that edit one bit of the record.
struct EditorPanel::CheckRow {
    QCheckBox *EditorPanel::*member;
    const char *name;
    const char *hint;
    Field field;
    bool inverted; // checked when the bit is 0
};

const std::vector<EditorPanel::CheckRow> &EditorPanel::checkRows()
{
    using P = EditorPanel;
    static const std::vector<CheckRow> rows{
        {&P::CheckBoxPad, "CheckBoxPad", "6 dB reduction before first stage", preset::PadOff, true},
        {&P::CheckBoxBright, "CheckBoxBright", "Adds sparkle", preset::Bright, false},
        {&P::CheckBoxDark, "CheckBoxDark", "More High Cut on the echoes", preset::Dark, false},
    };
    return rows;
}

// The dual sections: the Alt box, and the copy command in the popup menu of
// the section's box and Alt box.
struct EditorPanel::DualRow {
    QGroupBox *EditorPanel::*box;
    const char *boxName;
    QCheckBox *EditorPanel::*altBox;
    const char *altName;
    QMenu *EditorPanel::*menu;
    const char *menuName;
    QAction *EditorPanel::*copy;
    const char *copyName;
    const char *copyCaption;
};

const std::array<EditorPanel::DualRow, preset::DualCount> &EditorPanel::dualRows()
{
    using P = EditorPanel;
    // Indexed by preset::Dual.
    static const std::array<DualRow, preset::DualCount> rows{{
        {&P::GroupBoxPreamp, "GroupBoxPreamp", &P::CheckBoxBoost, "CheckBoxBoost",
         &P::PopupMenuPreamp, "PopupMenuPreamp", &P::SyncBoost, "SyncBoost",
         "Copy these 5 to the other (alt) settings"},
        {&P::GroupBoxMod, "GroupBoxMod", &P::CheckBoxMod, "CheckBoxMod",
         &P::PopupMenuMod, "PopupMenuMod", &P::SyncMod, "SyncMod", "Copy these 2 to the other (alt) settings"},
        {&P::GroupBoxDelay, "GroupBoxDelay", &P::CheckBoxDelay, "CheckBoxDelay",
         &P::PopupMenuDelay, "PopupMenuDelay", &P::SyncDelay, "SyncDelay", "Copy these 2 to the other (alt) settings"},
        {&P::GroupBoxReverb, "GroupBoxReverb", &P::CheckBoxReverb, "CheckBoxReverb",
         &P::PopupMenuReverb, "PopupMenuReverb", &P::SyncReverb, "SyncReverb",
         "Copy this Reverb Level to the other (alt) setting"},
    }};
    return rows;
}

// ---- Building

EditorPanel::EditorPanel(PresetEditor &editor, AmpGlobals &globals, CommandQueue &queue, QWidget *parent)
    : QWidget(parent), editor_(editor), globals_(globals), queue_(queue)
{
    setObjectName(QStringLiteral("EditorPanel"));

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

    buildBoxes();
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

    connect(&editor_, &PresetEditor::recordChanged, &binder_, [this] { LoadPanel(); });
    connect(&editor_, &PresetEditor::byteChanged, &binder_, [this](int index) { LoadByte(index); });
    connect(&editor_, &PresetEditor::viewChanged, &binder_, [this](PresetEditor::View v) { setView(v); });
    connect(&editor_, &PresetEditor::slotSelected, &binder_, [this](int slot) {
        const QSignalBlocker blocker(presetTabs);
        presetTabs->setCurrentIndex(slot);
    });
    // The Amp's report of its global cabinet is in the GlobalRecord already.
    connect(&globals_, &AmpGlobals::globalCabinetReported, &binder_, [this] { showCabinet(); });
    // While Compare plays the stored preset the panel only shows it.
    connect(&editor_, &PresetEditor::comparingChanged, &binder_, [this](bool on) { panelBox_->setEnabled(!on); });
    connect(&editor_, &PresetEditor::restoreBoostAvailableChanged, &binder_,
            [this](bool on) { restoreBoostSettingsAction->setEnabled(on); });
    connect(&tap_, &TapTempo::armedChanged, &binder_,
            [this](bool armed) { BitBtnTap->setText(armed ? QStringLiteral("Again") : QStringLiteral("Tap")); });

    setView(editor_.view());
    // Whatever the editor holds is shown from the first moment.
    LoadPanel();
}

EditorPanel::~EditorPanel() = default;

void EditorPanel::buildBoxes()
{
    // Box by box, in the order the Tab key visits them.
    buildModel();
    buildDualSections();

    GroupBoxModType = groupBox(contents_, "GroupBoxModType", sectionCaption(Section::ModType));
    auto *modType = knobGrid(GroupBoxModType);
    ComboBoxMod = new QComboBox(GroupBoxModType);
    ComboBoxMod->setObjectName(QStringLiteral("ComboBoxMod"));
    ComboBoxMod->addItems(amplists::modulationTypes());
    ComboBoxMod->setAccessibleName(presetparams::listCaption(presetparams::List::Modulation));
    modType->addWidget(ComboBoxMod, 0, 0, 1, 2);
    auto *flanger = new QGridLayout;
    flanger->setSpacing(1);
    modType->addLayout(flanger, 1, 0, 1, 2);
    grids_[int(Box::ModType)] = flanger;
    buildKnobs(int(Box::ModType));
    connect(ComboBoxMod, &QComboBox::currentIndexChanged, &binder_, [this] { run([this] { chooseModulation(); }); });

    buildDelayTime();
    buildTapFunction();
}

void EditorPanel::buildKnobs(int box)
{
    const auto &rows = knobRows();
    knobs_.resize(rows.size());
    QGridLayout *grid = grids_[box];
    QWidget *parent = grid->parentWidget();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const KnobRow &row = rows[i];
        if (int(row.box) != box)
            continue;
        const preset::Range range =
            row.field == WholeByte ? preset::knobRange(row.byte) : preset::fieldRange(row.field);

        auto *label = new QLabel(presetparams::knobCaption(row.byte), parent);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        auto *knob = new NumberKnob(parent);
        knob->setObjectName(QLatin1String(row.name));
        knob->setFixedSize(33, 33);
        knob->SetMin(float(range.min));
        knob->SetMax(float(range.max));
        knob->SetInc(1.0f);
        knob->SetColor(fromWindowsColor(row.colour));
        knob->SetOuterTickColor(fromWindowsColor(Silver));
        knob->SetInnerTickColor(fromWindowsColor(White));
        knob->SetValue(float(range.min));
        // Reachable by Tab and by a click, so the arrow keys can turn it.
        knob->SetTabStop(true);
        knob->SetFocusOnClick(true);
        knob->SetRightMenu(row.rightMenu);
        if (row.hint)
            knob->setToolTip(QString::fromLatin1(row.hint));

        // The value under the knob, where a number can also be typed.
        auto *edit = new ValueEdit(parent);
        edit->setObjectName(QLatin1String(row.name) + QLatin1String("Edit"));
        edit->setFixedSize(36, 16);
        edit->SetAlignment(KnobEdit::TextAlign::Center);
        edit->SetTarget(knob);
        knob->SetTarget(edit);
        knob->UpdateEdit();
        connect(edit, &KnobEdit::OnConvertError, &binder_,
                [this](KnobEdit *, const QString &message) { run([&] { throw QuorvexError(message); }); });

        grid->addWidget(label, 0, row.column, Qt::AlignHCenter | Qt::AlignBottom);
        grid->addWidget(knob, 1, row.column, Qt::AlignHCenter);
        grid->addWidget(edit, 2, row.column, Qt::AlignHCenter);

        // A turn reports each step and then its end; both go to the row,
        // which sends only what changes the record.
        auto changed = [this, &row](Knob *k) { run([&] { knobChanged(row, k); }); };
        connect(knob, &Knob::OnChanging, &binder_, changed);
        connect(knob, &Knob::OnChanged, &binder_, changed);
        this->*row.member = knob;
        knobs_[i] = knob;
    }
}

QCheckBox *EditorPanel::buildCheck(const CheckRow &row, QWidget *parent)
{
    QCheckBox *box = checkBox(parent, row.name, presetparams::checkCaption(row.field), QString::fromLatin1(row.hint));
    this->*row.member = box;
    // Shown from the record quietly; a box set while the panel loads is no one's action (run()).
    connect(box, &QCheckBox::toggled, &binder_, [this, &row](bool on) { run([&] { checkClick(row, on); }); });
    return box;
}

void EditorPanel::buildModel()
{
    GroupBoxModel = groupBox(contents_, "GroupBoxModel", sectionCaption(Section::Model));
    auto *line = new QHBoxLayout(GroupBoxModel);
    line->setContentsMargins(4, 0, 4, 2);
    line->setSpacing(4);

    auto *lists = new QGridLayout;
    lists->setSpacing(2);
    ComboBoxAmp = new QComboBox(GroupBoxModel);
    ComboBoxAmp->setObjectName(QStringLiteral("ComboBoxAmp"));
    ComboBoxAmp->setToolTip(QStringLiteral("Sets gain, EQ type, and tweaks"));
    ComboBoxAmp->addItems(amplists::ampModels());
    ComboBoxAmp->setAccessibleName(presetparams::listCaption(presetparams::List::AmpModel));
    ComboBoxCab = new QComboBox(GroupBoxModel);
    ComboBoxCab->setObjectName(QStringLiteral("ComboBoxCab"));
    ComboBoxCab->setToolTip(QStringLiteral("Select cabinet per preset or globally"));
    ComboBoxCab->addItems(amplists::cabinets());
    ComboBoxCab->setAccessibleName(presetparams::listCaption(presetparams::List::Cabinet));
    for (QComboBox *box : {ComboBoxAmp, ComboBoxCab}) {
        box->setMaxVisibleItems(16);
        box->setMinimumWidth(150);
    }
    CheckBoxGCab = checkBox(GroupBoxModel, "CheckBoxGCab", QStringLiteral("Global"), QStringLiteral("Overrides preset cab"));
    const auto &checks = checkRows();
    lists->addWidget(ComboBoxAmp, 0, 0, 1, 2);
    lists->addWidget(ComboBoxCab, 1, 0, 1, 2);
    lists->addWidget(CheckBoxGCab, 2, 0);
    lists->addWidget(buildCheck(checks[0], GroupBoxModel), 3, 0); // Pad
    lists->addWidget(buildCheck(checks[1], GroupBoxModel), 3, 1); // Bright
    lists->setRowStretch(4, 1);
    line->addLayout(lists);

    struct RadioRow {
        QGroupBox *EditorPanel::*box;
        QButtonGroup *EditorPanel::*buttons;
        const char *name, *hint;
        preset::Radio group;
        Field field;
    };
    const RadioRow radios[] = {
        {&EditorPanel::RadioGroupChunk, &EditorPanel::ChunkButtons, "RadioGroupChunk", "Pre-Distortion Rolloff",
         preset::Radio::PreampLows, preset::PreampLows},
        {&EditorPanel::RadioGroupPres, &EditorPanel::PresButtons, "RadioGroupPres", "Power Amp Highs",
         preset::Radio::Presence, preset::Presence},
        {&EditorPanel::RadioGroupRes, &EditorPanel::ResButtons, "RadioGroupRes", "Power Amp Lows",
         preset::Radio::Resonance, preset::Resonance},
    };
    for (const RadioRow &r : radios) {
        auto *box = new FlatGroupBox(presetparams::radioCaption(r.group), GroupBoxModel);
        box->setObjectName(QLatin1String(r.name));
        box->setToolTip(QString::fromLatin1(r.hint));
        auto *buttons = new QButtonGroup(box);
        auto *layout = new QVBoxLayout(box);
        layout->setContentsMargins(4, 0, 4, 0);
        layout->setSpacing(0);
        const QStringList items = presetparams::radioItems(r.group);
        for (int i = 0; i < items.size(); ++i) {
            auto *button = new QRadioButton(items[i], box);
            buttons->addButton(button, i);
            layout->addWidget(button);
        }
        layout->addStretch(1);
        line->addWidget(box);
        this->*r.box = box;
        this->*r.buttons = buttons;
        connect(buttons, &QButtonGroup::idToggled, &binder_, [this, group = r.group, field = r.field](int id, bool on) {
            if (on)
                run([&] { editor_.editField(field, preset::radioCode(group, id)); });
        });
    }

    auto *knobBox = new QGridLayout;
    knobBox->setSpacing(1);
    line->addLayout(knobBox);
    grids_[int(Box::Model)] = knobBox;
    buildKnobs(int(Box::Model));
    knobBox->setRowStretch(3, 1);

    connect(ComboBoxAmp, &QComboBox::currentIndexChanged, &binder_, [this] { run([this] { chooseAmp(); }); });
    connect(ComboBoxCab, &QComboBox::currentIndexChanged, &binder_, [this] { run([this] { chooseCab(); }); });
    connect(CheckBoxGCab, &QCheckBox::toggled, &binder_, [this](bool on) { run([&] { setGCab(on); }); });
}

void EditorPanel::buildDualSections()
{
    const QString altHint = QStringLiteral("Toggles the dual settings");
    // Built in the order they stand on the form, which is not the load order.
    for (Dual d : {Dual::Preamp, Dual::Reverb, Dual::Modulation, Dual::Delay}) {
        const DualRow &row = dualRows()[int(d)];
        QGroupBox *box = groupBox(contents_, row.boxName, sectionCaption(presetparams::sectionOf(d)));
        this->*row.box = box;
        const Box knobBox = d == Dual::Preamp ? Box::Preamp
                            : d == Dual::Reverb ? Box::Reverb
                            : d == Dual::Modulation ? Box::Modulation
                                                    : Box::Delay;
        QGridLayout *grid = knobGrid(box);
        grids_[int(knobBox)] = grid;
        buildKnobs(int(knobBox));

        QCheckBox *alt = checkBox(box, row.altName, presetparams::checkCaption(preset::dualSection(d).flag), altHint);
        this->*row.altBox = alt;
        altBoxes_[int(d)] = alt;
        if (d == Dual::Preamp)
            grid->addWidget(alt, 0, 5, 3, 1, Qt::AlignVCenter); // beside the knobs: the panel is short of height
        else
            grid->addWidget(alt, 3, 0, 1, grid->columnCount(), Qt::AlignLeft);
        connect(alt, &QCheckBox::toggled, &binder_, [this, d](bool on) { run([&] { altBoxClick(d, on); }); });

        auto *menu = new QMenu(this);
        menu->setObjectName(QLatin1String(row.menuName));
        QAction *copy = menu->addAction(QString::fromLatin1(row.copyCaption));
        copy->setObjectName(QLatin1String(row.copyName));
        this->*row.menu = menu;
        this->*row.copy = copy;
        connect(copy, &QAction::triggered, &binder_, [this, d] { run([&] { copyToOther(d); }); });
        // The copy command opens from the section's box or its Alt box.
        for (QWidget *w : {static_cast<QWidget *>(box), static_cast<QWidget *>(alt)}) {
            w->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(w, &QWidget::customContextMenuRequested, &binder_,
                    [w, menu](const QPoint &pos) { menu->popup(w->mapToGlobal(pos)); });
        }
    }
}

void EditorPanel::buildDelayTime()
{
    GroupBoxDelayS = groupBox(contents_, "GroupBoxDelayS", sectionCaption(Section::DelayTime));
    QGridLayout *grid = knobGrid(GroupBoxDelayS);
    grids_[int(Box::DelayTime)] = grid;
    buildKnobs(int(Box::DelayTime));

    auto *side = new QVBoxLayout;
    side->setSpacing(2);
    QCheckBox *dark = buildCheck(checkRows()[2], GroupBoxDelayS);
    BitBtnTap = new QPushButton(QStringLiteral("Tap"), GroupBoxDelayS);
    BitBtnTap->setObjectName(QStringLiteral("BitBtnTap"));
    BitBtnTap->setToolTip(QStringLiteral("Tap in base delay time (before Scale)"));
    StaticText22 = new QLabel(delaytime::emptyLabel(), GroupBoxDelayS);
    StaticText22->setObjectName(QStringLiteral("StaticText22"));
    side->addWidget(dark);
    side->addWidget(BitBtnTap);
    side->addWidget(StaticText22);
    side->addStretch(1);
    grid->addLayout(side, 0, 3, 3, 1);
    grid->setColumnStretch(4, 1);
    connect(BitBtnTap, &QPushButton::clicked, &binder_, [this] { run([this] { tap(); }); });
}

void EditorPanel::buildTapFunction()
{
    GroupBoxTapFn = groupBox(contents_, "GroupBoxTapFn", sectionCaption(Section::TapFunction));
    auto *v = new QVBoxLayout(GroupBoxTapFn);
    v->setContentsMargins(4, 0, 4, 2);
    v->setSpacing(2);
    LabelTapFn = new QLabel(presetparams::listCaption(presetparams::List::TapFunction), GroupBoxTapFn);
    ComboBoxTap = new QComboBox(GroupBoxTapFn);
    ComboBoxTap->setObjectName(QStringLiteral("ComboBoxTap"));
    ComboBoxTap->setToolTip(QStringLiteral("Alternate uses for Tap Tempo footswitch"));
    ComboBoxTap->addItems(amplists::tapFunctions());
    ComboBoxTap->setMaxVisibleItems(16);
    BitBtnExec = new QPushButton(QStringLiteral("Exec"), GroupBoxTapFn);
    BitBtnExec->setObjectName(QStringLiteral("BitBtnExec"));
    BitBtnExec->setToolTip(QStringLiteral("Simulates pressing Tap Tempo footswitch"));
    v->addWidget(LabelTapFn);
    v->addWidget(ComboBoxTap);
    v->addWidget(BitBtnExec, 0, Qt::AlignLeft);
    v->addStretch(1);

    // The tap function is a plain field: its old-firmware extra is the editor's.
    connect(ComboBoxTap, &QComboBox::currentIndexChanged, &binder_, [this](int index) {
        if (index >= 0)
            run([&] { editor_.editField(preset::TapFunction, index); });
    });
    connect(BitBtnExec, &QPushButton::clicked, &binder_, [this] { run([this] { applyTapFunction(); }); });
}

void EditorPanel::buildTabs()
{
    presetTabs = new PresetTabs(this);
    presetTabs->setObjectName(QStringLiteral("TabControl1"));
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        presetTabs->addTab(preset::slotName(slot));
    connect(presetTabs, &PresetTabs::currentChanged, &binder_, [this] { run([this] { showSelectedSlot(); }); });

    PopupMenuTabs = new QMenu(this);
    PopupMenuTabs->setObjectName(QStringLiteral("PopupMenuTabs"));
    boostAllTabsAction = PopupMenuTabs->addAction(QStringLiteral("Boost All Tabs"));
    boostAllTabsAction->setObjectName(QStringLiteral("BoostAllTabs1"));
    unboostAllTabsAction = PopupMenuTabs->addAction(QStringLiteral("Un-boost All Tabs"));
    unboostAllTabsAction->setObjectName(QStringLiteral("UnboostAllTabs1"));
    PopupMenuTabs->addSeparator();
    restoreBoostSettingsAction = PopupMenuTabs->addAction(QStringLiteral("Restore Boost Settings"));
    restoreBoostSettingsAction->setObjectName(QStringLiteral("RestoreBoostSettings1"));
    restoreBoostSettingsAction->setEnabled(editor_.restoreBoostAvailable());
    connect(boostAllTabsAction, &QAction::triggered, &binder_, [this] { run([this] { boostAllTabs(); }); });
    connect(unboostAllTabsAction, &QAction::triggered, &binder_, [this] { run([this] { unboostAllTabs(); }); });
    connect(restoreBoostSettingsAction, &QAction::triggered, &binder_,
            [this] { run([this] { restoreBoostSettings(); }); });
    presetTabs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(presetTabs, &QWidget::customContextMenuRequested, &binder_,
            [this](const QPoint &pos) { PopupMenuTabs->popup(presetTabs->mapToGlobal(pos)); });
}

void EditorPanel::layoutPanel()
{
    const bool group = presetTabs->isVisibleTo(this);
    const int tabs = presetTabs->heightForWidth(width());
    if (group)
        presetTabs->setGeometry(0, 0, width(), tabs);
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
    return QSize(box.width(), box.height() + std::max(GroupTop, presetTabs->heightForWidth(box.width())));
}

// ---- Loading

void EditorPanel::LoadPanel()
{
    const PresetEditor::LoadingGuard guard(editor_);
    const int slot = editor_.currentSlot();
    const DeviceImage &image = editor_.image();
    auto field = [&](Field f) { return int(image.readField(slot, f)); };

    showValue(ComboBoxAmp, field(preset::AmpModel), modelEntries_);
    showCabinet();
    showValue(ComboBoxMod, field(preset::ModType), modulationEntries_);
    showValue(ComboBoxTap, field(preset::TapFunction), TapFunctions);

    for (std::size_t i = 0; i < checkRows().size(); ++i) {
        const CheckRow &row = checkRows()[i];
        checkQuietly(this->*row.member, (field(row.field) == 1) != row.inverted);
    }
    for (int d = 0; d < preset::DualCount; ++d)
        showActiveSet(Dual(d));

    const auto r = editor_.record();
    for (const KnobRow &row : knobRows())
        if (!row.dual)
            (this->*row.member)->SetValue(row.field == WholeByte ? r[row.byte] : field(row.field));

    updateDelayTimeLabel();

    auto selectRadio = [](QButtonGroup *group, int item) {
        const QSignalBlocker blocker(group);
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
    };
    selectRadio(ChunkButtons, preset::radioItem(preset::Radio::PreampLows, field(preset::PreampLows)));
    selectRadio(PresButtons, preset::radioItem(preset::Radio::Presence, field(preset::Presence)));
    selectRadio(ResButtons, preset::radioItem(preset::Radio::Resonance, field(preset::Resonance)));

    updateFlangerKnobs();
    // A knob that has not been painted yet takes a value without telling its edit.
    for (Knob *knob : knobs_)
        if (!knob->PaintedOnce())
            knob->UpdateEdit();
}

void EditorPanel::LoadByte(int index)
{
    const auto &rows = knobRows();
    const auto shows = [&](const KnobRow &row) { return row.field == WholeByte && knobByte(row) == index; };
    if (std::none_of(rows.begin(), rows.end(), shows)) {
        LoadPanel();
        return;
    }
    // The knob shows the byte; it writes nothing back.
    const PresetEditor::LoadingGuard guard(editor_);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!shows(rows[i]))
            continue;
        knobs_[i]->SetValue(editor_.record()[index]);
        if (!knobs_[i]->PaintedOnce())
            knobs_[i]->UpdateEdit();
        if (rows[i].delayTime)
            updateDelayTimeLabel();
    }
}

bool EditorPanel::altShown(Dual section) const
{
    return editor_.altSetShown(section);
}

int EditorPanel::knobByte(const KnobRow &row) const
{
    return row.byte + (row.dual && altShown(*row.dual) ? 1 : 0);
}

void EditorPanel::showCabinet()
{
    // The global cabinet while the override is on, else the preset's own.
    checkQuietly(CheckBoxGCab, editor_.globalCabinetOverride());
    showValue(ComboBoxCab, editor_.shownCabinet(), modelEntries_);
}

void EditorPanel::setView(PresetEditor::View view)
{
    const bool group = view == PresetEditor::View::Group;
    presetTabs->setVisible(group);
    if (!group) {
        const QSignalBlocker blocker(presetTabs);
        presetTabs->setCurrentIndex(0);
    }
    layoutPanel();
}

void EditorPanel::AdaptToFirmware(std::uint8_t version)
{
    modelEntries_ = modelEntries(version);
    modulationEntries_ = modulationEntries(version);
    auto fit = [](QComboBox *box, const QStringList &all, int keep) {
        const QSignalBlocker blocker(box);
        while (box->count() > keep)
            box->removeItem(box->count() - 1);
        for (int i = int(box->count()); i < keep; ++i)
            box->addItem(all[i]);
    };
    fit(ComboBoxAmp, amplists::ampModels(), modelEntries_);
    fit(ComboBoxCab, amplists::cabinets(), modelEntries_);
    fit(ComboBoxMod, amplists::modulationTypes(), modulationEntries_);
    CheckBoxGCab->setEnabled(firmware::hasVersion2(version));
    // The lists may have lost the entry the record holds.
    LoadPanel();
}

// ---- Handlers

void EditorPanel::knobChanged(const KnobRow &row, Knob *knob)
{
    // A step reports itself twice (changing, then changed) and a drag ends
    // with one more report; a value the record already holds, shown again
    // with the other set, say, is nothing new for the Amp either.
    const std::uint8_t value = byteOf(knob);
    if (row.field == WholeByte) {
        if (const int index = knobByte(row); editor_.record()[index] != value)
            editor_.editByte(index, value);
    } else if (editor_.image().readField(editor_.currentSlot(), row.field) != value) {
        editor_.editField(row.field, value);
    }
    if (row.delayTime)
        updateDelayTimeLabel();
}

void EditorPanel::checkClick(const CheckRow &row, bool checked)
{
    editor_.editField(row.field, checked != row.inverted ? 1 : 0);
}

void EditorPanel::showSelectedSlot()
{
    editor_.selectSlot(std::max(0, presetTabs->currentIndex()));
}

void EditorPanel::chooseAmp()
{
    const int index = ComboBoxAmp->currentIndex();
    // No entry, or the entry that only shows an unknown value.
    if (index < 0 || index >= modelEntries_)
        return;
    editor_.setAmpModel(index);
}

void EditorPanel::chooseCab()
{
    const int index = ComboBoxCab->currentIndex();
    if (index < 0 || index >= modelEntries_)
        return;
    editor_.setCabinet(index);
}

void EditorPanel::setGCab(bool on)
{
    editor_.setGlobalCabinetOverride(on);
    showCabinet();
}

void EditorPanel::chooseModulation()
{
    const int index = ComboBoxMod->currentIndex();
    if (index < 0 || index >= modulationEntries_)
        return;
    editor_.setModulationType(index);
    updateFlangerKnobs();
}

void EditorPanel::updateFlangerKnobs()
{
    const bool on = editor_.image().readField(editor_.currentSlot(), preset::ModType) == FlangerType;
    const QColor colour = on ? fromWindowsColor(Teal) : palette().color(QPalette::Button);
    for (NumberKnob *knob : {NxNumberKnobFlangerDT, NxNumberKnobFlangerFB}) {
        knob->setEnabled(on);
        knob->SetColor(colour);
    }
}

void EditorPanel::showActiveSet(Dual section)
{
    const bool alt = altShown(section);
    checkQuietly(altBoxes_[int(section)], alt);
    const QColor outer = fromWindowsColor(alt ? Black : Silver);
    const QColor inner = fromWindowsColor(alt ? Gray : White);
    const auto &rows = knobRows();
    for (const KnobRow &row : rows) {
        if (row.dual != section)
            continue;
        NumberKnob *knob = this->*row.member;
        knob->SetColor(fromWindowsColor(alt ? row.altColour : row.colour));
        knob->SetOuterTickColor(outer);
        knob->SetInnerTickColor(inner);
    }
    // Shown, not edited: the knobs follow the record.
    const PresetEditor::LoadingGuard guard(editor_);
    const auto r = editor_.record();
    for (const KnobRow &row : rows)
        if (row.dual == section)
            (this->*row.member)->SetValue(r[knobByte(row)]);
}

void EditorPanel::altBoxClick(Dual section, bool on)
{
    editor_.editField(preset::dualSection(section).flag, on ? 1 : 0);
    showActiveSet(section);
}

void EditorPanel::copyToOther(Dual section)
{
    // The panel keeps showing the source set.
    editor_.copyToOtherSet(section);
}

void EditorPanel::boostAll(bool on)
{
    // The editor sends the shown slot's flag when it changes, and the panel
    // shows the record again.
    editor_.boostAllTabs(on);
}

void EditorPanel::boostAllTabs() { boostAll(true); }
void EditorPanel::unboostAllTabs() { boostAll(false); }

void EditorPanel::restoreBoostSettings()
{
    editor_.restoreBoostSettings();
}

void EditorPanel::applyTapFunction()
{
    editor_.pressFootswitch();
}

void EditorPanel::updateDelayTimeLabel()
{
    // As the knobs show them.
    const auto shown = [&](int index) {
        const preset::Range range = preset::knobRange(index);
        return std::uint8_t(std::clamp(int(editor_.record()[index]), range.min, range.max));
    };
    StaticText22->setText(delaytime::label(shown(preset::DLTime), shown(preset::DLScale)));
}

void EditorPanel::tap()
{
    if (const auto base = tap_.click()) {
        editor_.tapDelayTime(int(*base));
        LoadPanel();
    }
}

void EditorPanel::run(const std::function<void()> &body)
{
    // A control set from the record while the panel shows it is no one's
    // action: nothing of it goes to the editor.
    if (editor_.loading())
        return;
    queue_.run(body);
}

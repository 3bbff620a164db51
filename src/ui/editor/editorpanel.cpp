// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/editorpanel.h"

#include "editor/editorparts.h"

// ---- Construction: the layout (editorlayout.cpp) and its bindings

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
    // The sections keep the sizes they need and stand together, centred
    // across a wider window and under the tabs (which belong to them) in a
    // taller one: the empty columns beside them and the row below take what
    // is left, so no list or box stretches past its contents.
    grid->addWidget(GroupBoxModel, 0, 1, 1, 3);
    grid->addWidget(GroupBoxPreamp, 1, 1, 1, 2);
    grid->addWidget(GroupBoxReverb, 1, 3);
    grid->addWidget(GroupBoxModType, 2, 1);
    grid->addWidget(GroupBoxMod, 2, 2);
    grid->addWidget(GroupBoxDelay, 2, 3);
    grid->addWidget(GroupBoxDelayS, 3, 1, 1, 2);
    grid->addWidget(GroupBoxTapFn, 3, 3);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(4, 1);
    scroll->setWidget(contents_);

    buildTabs();

    connect(&editor_, &PresetEditor::recordChanged, &binder_, [this] { loadPanel(); });
    connect(&editor_, &PresetEditor::byteChanged, &binder_, [this](int index) { loadByte(index); });
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
            [this](bool armed) { BitBtnTap->setText(armed ? tr("Again") : tr("Tap")); });

    setView(editor_.view());
    // Whatever the editor holds is shown from the first moment.
    loadPanel();
}

EditorPanel::~EditorPanel() = default;

// ---- Loading

void EditorPanel::loadPanel()
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

void EditorPanel::loadByte(int index)
{
    const auto &rows = knobRows();
    const auto shows = [&](const KnobRow &row) { return row.field == WholeByte && knobByte(row) == index; };
    if (std::none_of(rows.begin(), rows.end(), shows)) {
        loadPanel();
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

void EditorPanel::adaptToFirmware(std::uint8_t version)
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
    fit(ComboBoxAmp, amplists::shown(amplists::ampModels()), modelEntries_);
    fit(ComboBoxCab, amplists::shown(amplists::cabinets()), modelEntries_);
    fit(ComboBoxMod, amplists::shown(amplists::modulationTypes()), modulationEntries_);
    CheckBoxGCab->setEnabled(firmware::hasVersion2(version));
    // The lists may have lost the entry the record holds.
    loadPanel();
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

void EditorPanel::boostAllTabs()
{
    boostAll(true);
}
void EditorPanel::unboostAllTabs()
{
    boostAll(false);
}

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
        loadPanel();
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The editor panel's layout: the boxes, knobs, lists and tabs, placed as
// the binding rows say.
#include "editor/editorparts.h"

void EditorPanel::buildBoxes()
{
    // Box by box, in the order the Tab key visits them.
    buildModel();
    buildDualSections();

    GroupBoxModType = groupBox(contents_, "GroupBoxModType", sectionCaption(Section::ModType));
    auto *modType = knobGrid(GroupBoxModType);
    ComboBoxMod = new QComboBox(GroupBoxModType);
    ComboBoxMod->setObjectName(QStringLiteral("ComboBoxMod"));
    ComboBoxMod->addItems(amplists::shown(amplists::modulationTypes()));
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
            knob->setToolTip(tr(row.hint));

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
    QCheckBox *box = checkBox(parent, row.name, presetparams::checkCaption(row.field), tr(row.hint));
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
    ComboBoxAmp->setToolTip(tr("Sets gain, EQ type, and tweaks"));
    ComboBoxAmp->addItems(amplists::shown(amplists::ampModels()));
    ComboBoxAmp->setAccessibleName(presetparams::listCaption(presetparams::List::AmpModel));
    ComboBoxCab = new QComboBox(GroupBoxModel);
    ComboBoxCab->setObjectName(QStringLiteral("ComboBoxCab"));
    ComboBoxCab->setToolTip(tr("Select cabinet per preset or globally"));
    ComboBoxCab->addItems(amplists::shown(amplists::cabinets()));
    ComboBoxCab->setAccessibleName(presetparams::listCaption(presetparams::List::Cabinet));
    for (QComboBox *box : {ComboBoxAmp, ComboBoxCab}) {
        box->setMaxVisibleItems(16);
        box->setMinimumWidth(150);
    }
    CheckBoxGCab = checkBox(GroupBoxModel, "CheckBoxGCab", tr("Global"), tr("Overrides preset cab"));
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
        {&EditorPanel::RadioGroupChunk, &EditorPanel::ChunkButtons, "RadioGroupChunk",
         QT_TRANSLATE_NOOP("EditorPanel", "Pre-Distortion Rolloff"), preset::Radio::PreampLows, preset::PreampLows},
        {&EditorPanel::RadioGroupPres, &EditorPanel::PresButtons, "RadioGroupPres",
         QT_TRANSLATE_NOOP("EditorPanel", "Power Amp Highs"), preset::Radio::Presence, preset::Presence},
        {&EditorPanel::RadioGroupRes, &EditorPanel::ResButtons, "RadioGroupRes",
         QT_TRANSLATE_NOOP("EditorPanel", "Power Amp Lows"), preset::Radio::Resonance, preset::Resonance},
    };
    for (const RadioRow &r : radios) {
        auto *box = new FlatGroupBox(presetparams::radioCaption(r.group), GroupBoxModel);
        box->setObjectName(QLatin1String(r.name));
        box->setToolTip(tr(r.hint));
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
    const QString altHint = tr("Toggles the dual settings");
    // Built in the order they stand on the form, which is not the load order.
    for (Dual d : {Dual::Preamp, Dual::Reverb, Dual::Modulation, Dual::Delay}) {
        const DualRow &row = dualRows()[int(d)];
        QGroupBox *box = groupBox(contents_, row.boxName, sectionCaption(presetparams::sectionOf(d)));
        this->*row.box = box;
        const Box knobBox = d == Dual::Preamp       ? Box::Preamp
                            : d == Dual::Reverb     ? Box::Reverb
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
        QAction *copy = menu->addAction(tr(row.copyCaption));
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
    BitBtnTap = new QPushButton(tr("Tap"), GroupBoxDelayS);
    BitBtnTap->setObjectName(QStringLiteral("BitBtnTap"));
    BitBtnTap->setToolTip(tr("Tap in base delay time (before Scale)"));
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
    ComboBoxTap->setToolTip(tr("Alternate uses for Tap Tempo footswitch"));
    ComboBoxTap->addItems(amplists::shown(amplists::tapFunctions()));
    ComboBoxTap->setMaxVisibleItems(16);
    BitBtnExec = new QPushButton(tr("Exec"), GroupBoxTapFn);
    BitBtnExec->setObjectName(QStringLiteral("BitBtnExec"));
    BitBtnExec->setToolTip(tr("Simulates pressing Tap Tempo footswitch"));
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
    boostAllTabsAction = PopupMenuTabs->addAction(tr("&Boost All Tabs"));
    boostAllTabsAction->setObjectName(QStringLiteral("BoostAllTabs1"));
    unboostAllTabsAction = PopupMenuTabs->addAction(tr("&Un-boost All Tabs"));
    unboostAllTabsAction->setObjectName(QStringLiteral("UnboostAllTabs1"));
    PopupMenuTabs->addSeparator();
    restoreBoostSettingsAction = PopupMenuTabs->addAction(tr("&Restore Boost Settings"));
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

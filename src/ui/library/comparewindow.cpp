// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/comparewindow.h"

#include "library/presetcompare.h"
#include "library/presetmorph.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QShortcut>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Section, Parameter, ValueA, ValueB, Columns };

} // namespace

CompareWindow::CompareWindow(const LibraryHooks &hooks, const QString &nameA, const preset::Record &a,
                             const QString &nameB, const preset::Record &b, QWidget *parent)
    : QWidget(parent, Qt::Window), hooks_(hooks), a_(a), b_(b)
{
    setObjectName(QStringLiteral("CompareWindow"));
    setWindowTitle(tr("Compare"));
    setAttribute(Qt::WA_DeleteOnClose);

    LabelA = new QLabel(tr("A: %1").arg(nameA), this);
    LabelB = new QLabel(tr("B: %1").arg(nameB), this);
    CheckBoxDifferences = new QCheckBox(tr("Differences only"), this);
    CheckBoxDifferences->setObjectName(QStringLiteral("CheckBoxDifferences"));
    ButtonHearA = new QPushButton(tr("Hear A"), this);
    ButtonHearA->setObjectName(QStringLiteral("ButtonHearA"));
    ButtonHearB = new QPushButton(tr("Hear B"), this);
    ButtonHearB->setObjectName(QStringLiteral("ButtonHearB"));
    for (QPushButton *button : {ButtonHearA, ButtonHearB}) {
        button->setToolTip(tr("Sends the preset to the Amp as editor data; nothing is stored"));
        button->setEnabled(bool(hooks_.hear));
    }

    TableCompare = new QTableWidget(0, Columns, this);
    TableCompare->setObjectName(QStringLiteral("TableCompare"));
    TableCompare->setHorizontalHeaderLabels({tr("Section"), tr("Parameter"), QStringLiteral("A"), QStringLiteral("B")});
    TableCompare->verticalHeader()->hide();
    TableCompare->verticalHeader()->setDefaultSectionSize(TableCompare->fontMetrics().height() + 6);
    TableCompare->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableCompare->setSelectionBehavior(QAbstractItemView::SelectRows);
    const std::vector<PresetCompare::Line> lines = PresetCompare::compare(a, b);
    TableCompare->setRowCount(int(lines.size()));
    const QColor marked(255, 236, 160);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const PresetCompare::Line &l = lines[i];
        const QString texts[Columns] = {presetparams::sectionCaption(l.parameter->section),
                                        presetparams::name(*l.parameter), l.a, l.b};
        for (int c = 0; c < Columns; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (l.differs) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(marked);
            }
            TableCompare->setItem(int(i), c, item);
        }
        differs_.push_back(l.differs);
        differences_ += l.differs && l.parameter->kind != presetparams::Kind::Time ? 1 : 0;
    }
    TableCompare->resizeColumnsToContents();
    TableCompare->horizontalHeader()->setStretchLastSection(true);

    auto *names = new QHBoxLayout;
    names->addWidget(LabelA, 1);
    names->addWidget(LabelB, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CheckBoxDifferences);
    buttons->addStretch(1);
    buttons->addWidget(ButtonHearA);
    buttons->addWidget(ButtonHearB);
    // The ear: a morph from A to B, and a blind test of the two.
    morph_ = new QSlider(Qt::Horizontal, this);
    morph_->setObjectName(QStringLiteral("SliderMorph"));
    morph_->setRange(0, presetmorph::Steps);
    morph_->setPageStep(10);
    morph_->setToolTip(tr("Plays the presets between A and B: knobs move, switches and lists change at the middle"));
    morphLabel_ = new QLabel(tr("Morph: A"), this);
    keep_ = new QPushButton(tr("Keep This"), this);
    keep_->setObjectName(QStringLiteral("ButtonKeepMorph"));
    keep_->setToolTip(tr("Makes the preset heard the editor's (Undo takes it back)"));
    keep_->setEnabled(false);
    auto *morphRow = new QHBoxLayout;
    morphRow->addWidget(new QLabel(QStringLiteral("A"), this));
    morphRow->addWidget(morph_, 1);
    morphRow->addWidget(new QLabel(QStringLiteral("B"), this));
    morphRow->addWidget(morphLabel_);
    morphRow->addWidget(keep_);
    auto *blindTest = new QPushButton(tr("Blind Test"), this);
    blindTest->setToolTip(tr("A and B as X and Y, in an order you do not know"));
    hearX_ = new QPushButton(tr("Hear X"), this);
    hearY_ = new QPushButton(tr("Hear Y"), this);
    reveal_ = new QPushButton(tr("Reveal"), this);
    blindLabel_ = new QLabel(this);
    for (QPushButton *b : {hearX_, hearY_, reveal_})
        b->setEnabled(false);
    auto *blindRow = new QHBoxLayout;
    blindRow->addWidget(blindTest);
    blindRow->addWidget(hearX_);
    blindRow->addWidget(hearY_);
    blindRow->addWidget(reveal_);
    blindRow->addWidget(blindLabel_, 1);
    const bool canHear = bool(hooks_.hear);
    morph_->setEnabled(canHear);
    blindTest->setEnabled(canHear);
    connect(morph_, &QSlider::valueChanged, this, &CompareWindow::morphTo);
    connect(keep_, &QPushButton::clicked, this, &CompareWindow::keepMorph);
    connect(blindTest, &QPushButton::clicked, this, &CompareWindow::startBlindTest);
    connect(hearX_, &QPushButton::clicked, this, [this] { hearBlind(0); });
    connect(hearY_, &QPushButton::clicked, this, [this] { hearBlind(1); });
    connect(reveal_, &QPushButton::clicked, this, &CompareWindow::reveal);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addWidget(TableCompare, 1);
    layout->addLayout(buttons);
    layout->addLayout(morphRow);
    layout->addLayout(blindRow);
    resize(640, 640);
    // Escape closes it, as it does a dialog.
    auto *escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(CheckBoxDifferences, &QCheckBox::toggled, this, &CompareWindow::showDifferencesOnly);
    connect(ButtonHearA, &QPushButton::clicked, this, &CompareWindow::hearA);
    connect(ButtonHearB, &QPushButton::clicked, this, &CompareWindow::hearB);
}

void CompareWindow::showDifferencesOnly()
{
    const bool only = CheckBoxDifferences->isChecked();
    for (int row = 0; row < TableCompare->rowCount(); ++row)
        TableCompare->setRowHidden(row, only && !differs_[std::size_t(row)]);
}

void CompareWindow::hearA()
{
    play(a_);
}
void CompareWindow::hearB()
{
    play(b_);
}

void CompareWindow::play(const preset::Record &record)
{
    // From a record it knows the Amp plays, only what differs goes.
    if (playing_ && hooks_.hearChange) {
        hooks_.hearChange(*playing_, record);
        hearing_.heard = true;
    } else {
        hearing_.hear(hooks_, record);
    }
    if (hearing_.heard)
        playing_ = record;
}

void CompareWindow::morphTo(int step)
{
    morphed_ = presetmorph::between(a_, b_, step);
    morphLabel_->setText(step == 0                    ? tr("Morph: A")
                         : step == presetmorph::Steps ? tr("Morph: B")
                                                      : tr("Morph: %1%").arg(step));
    keep_->setEnabled(bool(hooks_.keep));
    play(morphed_);
}

void CompareWindow::keepMorph()
{
    if (!hooks_.keep)
        return;
    const int step = morph_->value();
    hooks_.keep(morphed_, tr("Morph %1% from A to B").arg(step));
    // The editor's preset is now the one the Amp plays: nothing to give back.
    hearing_.heard = false;
    playing_.reset();
}

void CompareWindow::startBlindTest()
{
    xIsA_ = QRandomGenerator::global()->bounded(2) == 0;
    blind_ = true;
    for (QPushButton *b : {hearX_, hearY_, reveal_})
        b->setEnabled(true);
    blindLabel_->setText(tr("Which do you prefer, X or Y?"));
}

void CompareWindow::hearBlind(int which)
{
    if (!blind_)
        return;
    play((which == 0) == xIsA_ ? a_ : b_);
    blindLabel_->setText(which == 0 ? tr("Playing X") : tr("Playing Y"));
}

void CompareWindow::reveal()
{
    blindLabel_->setText(xIsA_ ? tr("X was A, Y was B") : tr("X was B, Y was A"));
}

void CompareWindow::closeEvent(QCloseEvent *event)
{
    // The Amp plays the editor's preset again, as before the comparison.
    hearing_.restore(hooks_);
    playing_.reset();
    event->accept();
}

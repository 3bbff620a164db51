// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/earcontrols.h"

#include "library/presetmorph.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

EarControls::EarControls(const LibraryHooks &hooks, QWidget *parent) : QWidget(parent), hooks_(hooks)
{
    morph_ = new QSlider(Qt::Horizontal, this);
    morph_->setObjectName(QStringLiteral("SliderMorph"));
    morph_->setRange(0, presetmorph::Steps);
    morph_->setPageStep(10);
    morph_->setToolTip(tr("Plays the presets between A and B: knobs move, switches and lists change at the middle"));
    morphLabel_ = new QLabel(this);
    keep_ = new QPushButton(tr("Keep This"), this);
    keep_->setObjectName(QStringLiteral("ButtonKeepMorph"));
    keep_->setToolTip(tr("Makes the preset heard the editor's (Undo takes it back)"));
    keep_->setEnabled(false);
    auto *morphRow = new QHBoxLayout;
    morphRow->addWidget(new QLabel(tr("A"), this));
    morphRow->addWidget(morph_, 1);
    morphRow->addWidget(new QLabel(tr("B"), this));
    morphRow->addWidget(morphLabel_);
    morphRow->addWidget(keep_);

    blindTest_ = new QPushButton(tr("Blind Test"), this);
    blindTest_->setObjectName(QStringLiteral("ButtonBlindTest"));
    blindTest_->setToolTip(tr("A and B as X and Y, in an order you do not know"));
    hearX_ = new QPushButton(tr("Hear X"), this);
    hearY_ = new QPushButton(tr("Hear Y"), this);
    reveal_ = new QPushButton(tr("Reveal"), this);
    blindLabel_ = new QLabel(this);
    for (QPushButton *b : {hearX_, hearY_, reveal_})
        b->setEnabled(false);
    auto *blindRow = new QHBoxLayout;
    blindRow->addWidget(blindTest_);
    blindRow->addWidget(hearX_);
    blindRow->addWidget(hearY_);
    blindRow->addWidget(reveal_);
    blindRow->addWidget(blindLabel_, 1);

    const bool canHear = bool(hooks_.hear);
    morph_->setEnabled(canHear);
    blindTest_->setEnabled(canHear);
    connect(morph_, &QSlider::valueChanged, this, &EarControls::morphTo);
    connect(keep_, &QPushButton::clicked, this, &EarControls::keepMorph);
    connect(blindTest_, &QPushButton::clicked, this, &EarControls::startBlindTest);
    connect(hearX_, &QPushButton::clicked, this, [this] { hearBlind(0); });
    connect(hearY_, &QPushButton::clicked, this, [this] { hearBlind(1); });
    connect(reveal_, &QPushButton::clicked, this, &EarControls::reveal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(morphRow);
    layout->addLayout(blindRow);
    showMorphStep(0);
}

void EarControls::setPresets(const preset::Record &a, const preset::Record &b, bool ampPlaysA)
{
    a_ = a;
    b_ = b;
    morphed_ = a;
    playing_.reset();
    if (ampPlaysA)
        playing_ = a;
    hearing_.heard = false;
    {
        const QSignalBlocker blocker(morph_);
        morph_->setValue(0);
    }
    showMorphStep(0);
    keep_->setEnabled(false);
    blind_ = false;
    for (QPushButton *b : {hearX_, hearY_, reveal_})
        b->setEnabled(false);
    blindLabel_->clear();
}

void EarControls::play(const preset::Record &record)
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

void EarControls::showMorphStep(int step)
{
    morphLabel_->setText(step == 0                    ? tr("Morph: A")
                         : step == presetmorph::Steps ? tr("Morph: B")
                                                      : tr("Morph: %1%").arg(step));
}

void EarControls::morphTo(int step)
{
    morphed_ = presetmorph::between(a_, b_, step);
    showMorphStep(step);
    keep_->setEnabled(bool(hooks_.keep));
    play(morphed_);
}

void EarControls::keepMorph()
{
    if (!hooks_.keep)
        return;
    const int step = morph_->value();
    hooks_.keep(morphed_, tr("Morph %1% from A to B").arg(step));
    // The editor's preset is now the one the Amp plays: nothing to give back.
    forget();
}

void EarControls::startBlindTest()
{
    xIsA_ = QRandomGenerator::global()->bounded(2) == 0;
    blind_ = true;
    for (QPushButton *b : {hearX_, hearY_, reveal_})
        b->setEnabled(true);
    blindLabel_->setText(tr("Which do you prefer, X or Y?"));
}

void EarControls::hearBlind(int which)
{
    if (!blind_)
        return;
    play((which == 0) == xIsA_ ? a_ : b_);
    blindLabel_->setText(which == 0 ? tr("Playing X") : tr("Playing Y"));
}

void EarControls::reveal()
{
    blindLabel_->setText(xIsA_ ? tr("X was A, Y was B") : tr("X was B, Y was A"));
}

void EarControls::restore()
{
    hearing_.restore(hooks_);
    playing_.reset();
}

void EarControls::forget()
{
    hearing_.heard = false;
    playing_.reset();
}

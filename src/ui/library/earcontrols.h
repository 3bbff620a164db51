// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryhooks.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QSlider;

// Two presets for the ear, A and B: a morph slider plays the presets between
// them ("Keep This" makes the one heard the editor's), and a blind test
// plays them as X and Y in an order only "Reveal" tells. What goes to the
// Amp goes through the hooks: from a preset it knows the Amp plays, only
// what differs; nothing is stored but by "Keep This".
class EarControls : public QWidget {
    Q_OBJECT
public:
    explicit EarControls(const LibraryHooks &hooks, QWidget *parent = nullptr);

    // New presets: the slider back at A, the blind test over. ampPlaysA:
    // the Amp plays A already, so the first step sends only what differs.
    void setPresets(const preset::Record &a, const preset::Record &b, bool ampPlaysA = false);
    const preset::Record &presetA() const { return a_; }
    const preset::Record &presetB() const { return b_; }

    // Sends the record to the Amp (Hear A, Hear B, a morph's step).
    void play(const preset::Record &record);
    void morphTo(int step);
    void keepMorph();
    void startBlindTest();
    void hearBlind(int which); // 0: X, 1: Y
    void reveal();
    // Whether X is A in the blind test now.
    bool xIsA() const { return xIsA_; }
    // The Amp plays the editor's preset again if anything was heard; what
    // the Amp plays is unknown after it.
    void restore();
    // What the Amp is known to play from here; forgotten (the editor's
    // preset plays again).
    void forget();

    QSlider *morph_;
    QLabel *morphLabel_;
    QPushButton *keep_;
    QPushButton *blindTest_, *hearX_, *hearY_, *reveal_;
    QLabel *blindLabel_;

private:
    void showMorphStep(int step);

    LibraryHooks hooks_;
    preset::Record a_{}, b_{};
    Hearing hearing_;
    // What the Amp plays from here, for the morph's next messages.
    std::optional<preset::Record> playing_;
    preset::Record morphed_{};
    bool xIsA_ = true;
    bool blind_ = false;
};

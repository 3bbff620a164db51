// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/ampglobals.h"
#include "tuner/tunerdisplay.h"

#include <QWidget>

class CommandQueue;

#include <array>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class Led;
class Knob;
class NumberKnob;

// The tuner window: the Amp's tuning readout as a note name and a row of 21
// LEDs, and the three tuner settings of the GlobalRecord. It lives as long
// as the main window, hidden outside tuner mode; tuner data reaches it
// whether it is shown or not.
class TunerWindow : public QWidget {
    Q_OBJECT
public:
    TunerWindow(AmpGlobals &globals, CommandQueue &queue, QWidget *parent = nullptr);
    ~TunerWindow() override;

    // Tuner mode: shown on top of every window, centred on `over`.
    void showOver(const QWidget *over);
    // "Exit": hidden, then the Amp leaves tuner mode.
    void exitTuner();
    // One reading: the note byte and the position byte.
    void showReading(std::uint8_t n, std::uint8_t p);
    // The three settings from the GlobalRecord, under the loading guard.
    void loadControls();

    // LED pitch: 16 pixels, 32 on each side of the centre LED.
    static constexpr int LedSpacing = 16;
    static constexpr int CentreSpacing = 32;
    static int ledLeft(int i);

    QLabel *NoteText;
    std::array<Led *, tuner::LedCount> LEDImage{}; // LEDImage0 .. LEDImage20, left to right
    NumberKnob *NxNumberKnobTunerLevel;
    QCheckBox *CheckBoxEb, *CheckBoxChromatic;
    QPushButton *ButtonTunerExit;
    QLabel *StaticTextNoTune; // old-firmware notice

signals:
    // The main window takes no input from entered() until left().
    void entered();
    void left();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void startTuning();
    void tunerLevelChanged(Knob *knob);
    void run(const std::function<void()> &body);

    AmpGlobals &globals_;
    CommandQueue &queue_;
    tuner::TunerDisplay display_;
};

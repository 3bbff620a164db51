// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>

class BuiltInAmpBackend;
class Prompter;
class QAction;

// The Amp's side of the built-in virtual Amp, so a user can see the editor
// follow the Amp: step it to a preset, turn a knob on it, and choose the
// firmware it pretends to have (reported at the next sync). In the menu bar
// only while the built-in device is in use for input and output.
class VirtualAmpMenu : public QMenu {
    Q_OBJECT
public:
    VirtualAmpMenu(BuiltInAmpBackend &backend, Prompter &prompter, QWidget *parent = nullptr);

    QAction *stepToPresetAction;
    QAction *turnKnobAction;
    QMenu *firmwareMenu;
    QAction *Firmware14G; // "1.4 G"
    QAction *Firmware20;  // "2.0"

    // Asks for a user preset; the Amp steps to it as if chosen on its panel.
    void stepToPreset();
    void turnKnob();
    void chooseFirmware(QAction *item);

    // Shows the menu while the built-in device is in use both ways.
    void showUsage();

private:
    BuiltInAmpBackend &backend_;
    Prompter &prompter_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class Prompter;
class MidiInPort;
class MidiOutPort;

// Chooses the MIDI input and output devices and switches each port on or
// off. Works directly on the components: every choice takes effect at once,
// there is no OK or Cancel.
class MidiPortsDialog : public QDialog {
    Q_OBJECT
public:
    MidiPortsDialog(MidiInPort &midiIn, MidiOutPort &midiOut, Prompter &prompter,
                    std::function<QString()> applicationTitle, QWidget *parent = nullptr);
    ~MidiPortsDialog() override;

    QGroupBox *portsBox;
    QLabel *inputLabel;
    QComboBox *ComboBoxMidiIn;
    QLabel *StaticText2;
    QComboBox *ComboBoxMidiOut;
    QCheckBox *CheckBoxInEnabled;
    QCheckBox *CheckBoxOutEnabled;

    void listDevices();
    void showCurrentPorts();
    void reselectPorts();
    void chooseInputPort();
    void chooseOutputPort();
    void enableInput();
    void enableOutput();

    // The device the list names: the selected item, or the item whose text
    // was typed in full; -1 when the text names none.
    static int listIndex(const QComboBox *list);

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void inputChosen();
    void outputChosen();
    void applyTypedLater(QComboBox *list);
    void applyTyped(QComboBox *list);
    void selectPorts();
    void run(const std::function<void()> &body);

    MidiInPort &midiIn_;
    MidiOutPort &midiOut_;
    Prompter &prompter_;
    std::function<QString()> applicationTitle_;
    // Text typed into a list since it was last taken or shown anew.
    bool inEdited_ = false;
    bool outEdited_ = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <cstdint>

class AmpSearch;
class CommandQueue;
class QLabel;
class QPushButton;

// "Amp Sync": looks for the Amp when shown, then says what it found (the
// firmware version) or that the editor works offline, with Retry.
class TFormSyncMsg : public QDialog {
    Q_OBJECT
public:
    TFormSyncMsg(AmpSearch &search, CommandQueue &queue, QWidget *parent = nullptr);
    ~TFormSyncMsg() override;

    // "Found Amp - Version 1.4", " G" after a version 1 G-variant Amp.
    static QString foundText(std::uint8_t version, bool gVariant);

    void FormShow();
    void ShowFound(std::uint8_t version, bool gVariant);
    void ShowNotFound();
    void ButtonOKClick();
    void ButtonRetryClick();
    void ButtonCancelClick();

    QLabel *StaticText1;
    QLabel *StaticTextFound;
    QLabel *StaticTextNotFound;
    QPushButton *ButtonOK;
    QPushButton *ButtonRetry;
    QPushButton *ButtonCancel;

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    AmpSearch &search_;
    CommandQueue &queue_;
    bool searched_ = false;
};

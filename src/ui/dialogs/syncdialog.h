// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <cstdint>

class AmpSync;
class CommandQueue;
class QLabel;
class QPushButton;

// "Amp Sync": looks for the Amp when shown, then says what it found (the
// firmware version) or that the editor works offline, with Retry.
class SyncDialog : public QDialog {
    Q_OBJECT
public:
    SyncDialog(AmpSync &search, CommandQueue &queue, QWidget *parent = nullptr);
    ~SyncDialog() override;

    // "1.4", " G" after a version 1 G-variant Amp: "1.4 G".
    static QString versionText(std::uint8_t version, bool gVariant);
    // "Found Amp - Version 1.4 G".
    static QString foundText(std::uint8_t version, bool gVariant);

    void startSearch();
    void showFound(std::uint8_t version, bool gVariant);
    void showNotFound();
    void confirm();
    void retry();
    void cancelSearch();

    QLabel *messageLabel;
    QLabel *StaticTextFound;
    QLabel *StaticTextNotFound;
    QPushButton *ButtonOK;
    QPushButton *ButtonRetry;
    QPushButton *ButtonCancel;

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    AmpSync &sync_;
    CommandQueue &queue_;
    bool searched_ = false;
};

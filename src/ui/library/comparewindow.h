// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryhooks.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QTableWidget;

// Two presets side by side: every parameter under the editor panel's name,
// its value as the panel shows it, differences marked. "Hear A" and
// "Hear B" send a record to the Amp as editor data; closing the window
// after that sends the editor's own preset back. For the ear: a morph
// slider plays the presets between A and B ("Keep this" makes the one heard
// the editor's), and a blind test plays them as X and Y in an order only
// "Reveal" tells.
class CompareWindow : public QWidget {
    Q_OBJECT
public:
    CompareWindow(const LibraryHooks &hooks, const QString &nameA, const preset::Record &a, const QString &nameB,
                  const preset::Record &b, QWidget *parent = nullptr);

    int differences() const { return differences_; }

    void showDifferencesOnly();
    void hearA();
    void hearB();
    void morphTo(int step);
    void keepMorph();
    void startBlindTest();
    void hearBlind(int which); // 0: X, 1: Y
    void reveal();
    // Whether X is A in the blind test now.
    bool xIsA() const { return xIsA_; }

    QLabel *LabelA, *LabelB;
    QCheckBox *CheckBoxDifferences;
    QPushButton *ButtonHearA, *ButtonHearB;
    QTableWidget *TableCompare;
    QSlider *morph_ = nullptr;
    QLabel *morphLabel_ = nullptr;
    QPushButton *keep_ = nullptr;
    QPushButton *hearX_ = nullptr, *hearY_ = nullptr, *reveal_ = nullptr;
    QLabel *blindLabel_ = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    LibraryHooks hooks_;
    preset::Record a_, b_;
    std::vector<bool> differs_; // by table row
    int differences_ = 0;
    Hearing hearing_;
    // What the Amp plays from this window, for the morph's next messages.
    std::optional<preset::Record> playing_;
    preset::Record morphed_{};
    bool xIsA_ = true;
    bool blind_ = false;
    void play(const preset::Record &record);
};

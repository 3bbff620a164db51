// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryhooks.h"

#include <QWidget>

#include <vector>

class EarControls;
class QCheckBox;
class QLabel;
class QPushButton;
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

    QLabel *LabelA, *LabelB;
    QCheckBox *CheckBoxDifferences;
    QPushButton *ButtonHearA, *ButtonHearB;
    QTableWidget *TableCompare;
    EarControls *ear; // the morph and the blind test

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    preset::Record a_, b_;
    std::vector<bool> differs_; // by table row
    int differences_ = 0;
};

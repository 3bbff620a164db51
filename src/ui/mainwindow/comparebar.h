// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryhooks.h"

#include <QWidget>

class EarControls;
class PresetEditor;
class QLabel;

// Above the editor panel while Compare plays the stored version: a banner
// that says which version plays, and for the ear the morph from the stored
// version (A) to the edits (B) and the blind test of the two. Hidden
// otherwise. Leaving Compare gives the Amp the edits again (the editor
// sends them); "Keep This" makes the preset heard the edits, as a step.
class CompareBar : public QWidget {
    Q_OBJECT
public:
    CompareBar(PresetEditor &editor, const LibraryHooks &hooks, QWidget *parent = nullptr);

    QLabel *LabelCompare;
    EarControls *ear;

private:
    void follow();

    PresetEditor &editor_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/comparebar.h"

#include "library/earcontrols.h"
#include "session/preseteditor.h"

#include <QLabel>
#include <QVBoxLayout>

CompareBar::CompareBar(PresetEditor &editor, const LibraryHooks &hooks, QWidget *parent)
    : QWidget(parent), editor_(editor)
{
    setObjectName(QStringLiteral("CompareBar"));
    // A coloured band that cannot be missed, whatever the style.
    setAutoFillBackground(true);
    QPalette band = palette();
    band.setColor(QPalette::Window, QColor(255, 214, 102));
    // Disabled buttons keep the style's own grey text.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        band.setColor(group, QPalette::WindowText, Qt::black);
        band.setColor(group, QPalette::ButtonText, Qt::black);
    }
    setPalette(band);

    LabelCompare = new QLabel(tr("Playing the stored version (A) — Ctrl+K for your edits (B)"), this);
    LabelCompare->setObjectName(QStringLiteral("LabelCompare"));
    QFont bold = LabelCompare->font();
    bold.setBold(true);
    LabelCompare->setFont(bold);
    ear = new EarControls(hooks, this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    layout->addWidget(LabelCompare);
    layout->addWidget(ear);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(&editor_, &PresetEditor::comparingChanged, this, &CompareBar::follow);
    // Another tab shown while comparing: its two versions, as the Amp plays A.
    connect(&editor_, &PresetEditor::recordChanged, this, [this] {
        if (editor_.comparing())
            follow();
    });
    follow();
}

void CompareBar::follow()
{
    const bool on = editor_.comparing();
    if (on) {
        preset::Record stored;
        std::ranges::copy(editor_.record(), stored.begin());
        ear->setPresets(stored, editor_.editedRecord(), true);
    } else {
        // The editor gave the Amp what the panel shows.
        ear->forget();
    }
    setVisible(on);
}

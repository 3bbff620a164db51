// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/comparewindow.h"

#include "library/earcontrols.h"
#include "library/presetcompare.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Section, Parameter, ValueA, ValueB, Columns };

} // namespace

CompareWindow::CompareWindow(const LibraryHooks &hooks, const QString &nameA, const preset::Record &a,
                             const QString &nameB, const preset::Record &b, QWidget *parent)
    : QWidget(parent, Qt::Window), a_(a), b_(b)
{
    setObjectName(QStringLiteral("CompareWindow"));
    setWindowTitle(tr("Compare"));
    setAttribute(Qt::WA_DeleteOnClose);

    LabelA = new QLabel(tr("A: %1").arg(nameA), this);
    LabelB = new QLabel(tr("B: %1").arg(nameB), this);
    CheckBoxDifferences = new QCheckBox(tr("Differences only"), this);
    CheckBoxDifferences->setObjectName(QStringLiteral("CheckBoxDifferences"));
    ButtonHearA = new QPushButton(tr("Hear A"), this);
    ButtonHearA->setObjectName(QStringLiteral("ButtonHearA"));
    ButtonHearB = new QPushButton(tr("Hear B"), this);
    ButtonHearB->setObjectName(QStringLiteral("ButtonHearB"));
    for (QPushButton *button : {ButtonHearA, ButtonHearB}) {
        button->setToolTip(tr("Sends the preset to the Amp as editor data; nothing is stored"));
        button->setEnabled(bool(hooks.hear));
    }

    TableCompare = new QTableWidget(0, Columns, this);
    TableCompare->setObjectName(QStringLiteral("TableCompare"));
    TableCompare->setHorizontalHeaderLabels({tr("Section"), tr("Parameter"), QStringLiteral("A"), QStringLiteral("B")});
    TableCompare->verticalHeader()->hide();
    TableCompare->verticalHeader()->setDefaultSectionSize(TableCompare->fontMetrics().height() + 6);
    TableCompare->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableCompare->setSelectionBehavior(QAbstractItemView::SelectRows);
    const std::vector<PresetCompare::Line> lines = PresetCompare::compare(a, b);
    TableCompare->setRowCount(int(lines.size()));
    const QColor marked(255, 236, 160);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const PresetCompare::Line &l = lines[i];
        const QString texts[Columns] = {presetparams::sectionCaption(l.parameter->section),
                                        presetparams::name(*l.parameter), l.a, l.b};
        for (int c = 0; c < Columns; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (l.differs) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(marked);
            }
            TableCompare->setItem(int(i), c, item);
        }
        differs_.push_back(l.differs);
        differences_ += l.differs && l.parameter->kind != presetparams::Kind::Time ? 1 : 0;
    }
    TableCompare->resizeColumnsToContents();
    TableCompare->horizontalHeader()->setStretchLastSection(true);

    auto *names = new QHBoxLayout;
    names->addWidget(LabelA, 1);
    names->addWidget(LabelB, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CheckBoxDifferences);
    buttons->addStretch(1);
    buttons->addWidget(ButtonHearA);
    buttons->addWidget(ButtonHearB);
    // The ear: a morph from A to B, and a blind test of the two.
    ear = new EarControls(hooks, this);
    ear->setPresets(a, b);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(names);
    layout->addWidget(TableCompare, 1);
    layout->addLayout(buttons);
    layout->addWidget(ear);
    resize(640, 640);
    // Escape closes it, as it does a dialog.
    auto *escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(CheckBoxDifferences, &QCheckBox::toggled, this, &CompareWindow::showDifferencesOnly);
    connect(ButtonHearA, &QPushButton::clicked, this, &CompareWindow::hearA);
    connect(ButtonHearB, &QPushButton::clicked, this, &CompareWindow::hearB);
}

void CompareWindow::showDifferencesOnly()
{
    const bool only = CheckBoxDifferences->isChecked();
    for (int row = 0; row < TableCompare->rowCount(); ++row)
        TableCompare->setRowHidden(row, only && !differs_[std::size_t(row)]);
}

void CompareWindow::hearA()
{
    ear->play(a_);
}
void CompareWindow::hearB()
{
    ear->play(b_);
}

void CompareWindow::closeEvent(QCloseEvent *event)
{
    // The Amp plays the editor's preset again, as before the comparison.
    ear->restore();
    event->accept();
}

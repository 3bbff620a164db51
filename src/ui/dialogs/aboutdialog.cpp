// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/aboutdialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Quorvex"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setPixmap(QIcon(QStringLiteral(":/app/quorvex64.png")).pixmap(64, 64));
    ProductName = new QLabel(QStringLiteral("Quorvex - V" QUORVEX_VERSION), this);
    QFont bold = ProductName->font();
    bold.setBold(true);
    ProductName->setFont(bold);

    License = new QLabel(tr("Free software under the GNU General Public License, version 3 or later.\n"
                            "It comes with no warranty."),
                         this);

    auto *row = new QHBoxLayout;
    row->addWidget(ProgramIcon);
    row->addSpacing(12);
    row->addWidget(ProductName, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(License);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

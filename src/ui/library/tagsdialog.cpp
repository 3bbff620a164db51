// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/tagsdialog.h"

#include "library/librarymarks.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TagsDialog::TagsDialog(const QStringList &tags, const QStringList &known, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Tags"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Tags, separated by commas:"), this));
    EditTags = new QLineEdit(tags.join(QStringLiteral(", ")), this);
    EditTags->setObjectName(QStringLiteral("EditTags"));
    EditTags->setMinimumWidth(300);
    auto *completer = new QCompleter(known, EditTags);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    EditTags->setCompleter(completer);
    layout->addWidget(EditTags);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QStringList TagsDialog::tags() const
{
    return parse(EditTags->text());
}

QStringList TagsDialog::parse(const QString &text)
{
    return LibraryMarks::cleanTags(text.split(QLatin1Char(',')));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/notesdialog.h"

#include "files/notefile.h"
#include "session/commandqueue.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

NotesDialog::NotesDialog(CommandQueue &queue, QWidget *parent) : QDialog(parent), queue_(queue)
{
    setObjectName(QStringLiteral("FormInfo"));
    // No help button. It can be resized: a note may be longer than a few
    // lines, and the text box takes what the window gains.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    MemoInfo = new QPlainTextEdit(this);
    MemoInfo->setObjectName(QStringLiteral("MemoInfo"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(13);
    MemoInfo->setFont(arial);
    MemoInfo->setMinimumSize(200, 60);
    // Tab moves on to the buttons, as in any dialog; a note needs no tabs.
    MemoInfo->setTabChangesFocus(true);

    BitBtnSave = new QPushButton(tr("Save"), this);
    BitBtnSave->setObjectName(QStringLiteral("BitBtnSave"));
    QFont bold = BitBtnSave->font();
    bold.setBold(true);
    BitBtnSave->setFont(bold);
    BitBtnSave->setDefault(false);
    BitBtnSave->setAutoDefault(false);
    BitBtnCancel = new QPushButton(tr("Cancel"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    BitBtnCancel->setAutoDefault(false);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(BitBtnSave);
    buttons->addWidget(BitBtnCancel);
    buttons->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(MemoInfo, 1);
    layout->addLayout(buttons);
    // Room for a dozen lines of a note at first.
    resize(480, 300);

    connect(BitBtnSave, &QPushButton::clicked, this, [this] { saveNote(); });
    connect(BitBtnCancel, &QPushButton::clicked, this, [this] { cancelNote(); });
}

void NotesDialog::loadNote(const QString &notePath)
{
    const QString text = files::readNote(notePath);
    notePath_ = notePath;
    MemoInfo->setPlainText(text);
    // Named after the preset file the note belongs to.
    setWindowTitle(tr("File Info for %1").arg(QFileInfo(notePath).completeBaseName() + QStringLiteral(".syx")));
}

void NotesDialog::saveNote()
{
    if (queue_.run([this] { files::writeNote(notePath_, noteText()); }))
        accept();
}

QString NotesDialog::noteText() const
{
    // toPlainText() would turn no-break spaces into plain ones; only the
    // box's own paragraph breaks become line breaks again.
    return MemoInfo->document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

void NotesDialog::cancelNote()
{
    reject();
}

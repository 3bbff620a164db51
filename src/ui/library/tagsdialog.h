// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;

// "Tags...": the tags of the chosen presets as one line, separated by
// commas, with the library's other tags offered as they are typed.
class TagsDialog : public QDialog {
    Q_OBJECT
public:
    TagsDialog(const QStringList &tags, const QStringList &known, QWidget *parent = nullptr);

    QStringList tags() const;
    // "blues, slow" -> {"blues", "slow"}.
    static QStringList parse(const QString &text);

    QLineEdit *EditTags;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/document.h"

#include <QDir>
#include <QFileInfo>

const QString Document::Untitled = QStringLiteral("untitled");

Document::Document(QObject *parent)
    : QObject(parent), workingDirectory_(QDir::currentPath()), openDialogDirectory_(workingDirectory_),
      saveDialogDirectory_(workingDirectory_)
{}

QString Document::fileName() const
{
    return filePath_.isEmpty() ? QString() : QFileInfo(filePath_).fileName();
}

void Document::setFile(const QString &path, Kind kind)
{
    const QFileInfo info(path);
    ampSlot_ = -1;
    filePath_ = QDir::cleanPath(info.absoluteFilePath());
    kind_ = kind;
    originDirectory_ = info.absolutePath();
    // Save asks where when the file lies outside the list's folder.
    setSaveElsewhere(!isInWorkingDirectory(originDirectory_));
    setTitle(filePath_);
}

void Document::dropFile(const QString &title, bool saveElsewhere)
{
    filePath_.clear();
    kind_ = Kind::None;
    ampSlot_ = -1;
    setSaveElsewhere(saveElsewhere);
    setTitle(title);
}

void Document::makeNew()
{
    dropFile(Untitled, false);
}

bool Document::sameFolder(const QString &a, const QString &b)
{
    // Two spellings of one folder (a trailing slash, "..", a symbolic link)
    // are one folder; on a case-sensitive file system "Data" and "data" are two.
    auto canonical = [](const QString &dir) {
        const QString c = QFileInfo(dir).canonicalFilePath();
        return c.isEmpty() ? QDir::cleanPath(QFileInfo(dir).absoluteFilePath()) : c;
    };
    return canonical(a) == canonical(b);
}

void Document::setSaveElsewhere(bool on)
{
    if (on == saveElsewhere_)
        return;
    saveElsewhere_ = on;
    emit saveElsewhereChanged(on);
}

void Document::changeModified(bool on)
{
    modified_ = on;
    emit modifiedChanged(on);
}

void Document::setTitle(const QString &name)
{
    titleName_ = name;
    applicationTitle_ = tr("%1 - Quorvex").arg(QFileInfo(name == Untitled ? tr("untitled") : name).fileName());
    emit titleChanged();
}

QString Document::caption() const
{
    return tr("%1 - Quorvex").arg(shownTitleName());
}

bool Document::setWorkingDirectory(const QString &dir)
{
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.isDir() || !info.isExecutable())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (!sameFolder(clean, workingDirectory_)) {
        workingDirectory_ = clean;
        // The file stays where it is: left outside the list, Save asks
        // where and Save Back offers its own folder; brought inside, Save
        // writes it again.
        if (!filePath_.isEmpty())
            setSaveElsewhere(!isInWorkingDirectory(originDirectory_));
        emit workingDirectoryChanged(clean);
    }
    return true;
}

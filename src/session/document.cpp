#include "session/document.h"

#include <QDir>
#include <QFileInfo>

const QString Document::Untitled = QStringLiteral("untitled");

namespace {
const QString TitleSuffix = QStringLiteral(" - Quorvex");
}

Document::Document(QObject *parent)
    : QObject(parent), workingDirectory_(QDir::currentPath()), openDialogDirectory_(workingDirectory_),
      saveDialogDirectory_(workingDirectory_)
{
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
    applicationTitle_ = QFileInfo(name).fileName() + TitleSuffix;
    emit titleChanged();
}

QString Document::caption() const
{
    return titleName_ + TitleSuffix;
}

bool Document::setWorkingDirectory(const QString &dir)
{
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.isDir() || !info.isExecutable())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (clean != workingDirectory_) {
        workingDirectory_ = clean;
        emit workingDirectoryChanged(clean);
    }
    return true;
}

QString Document::currentPath() const
{
    return fileName_.isEmpty() ? QString() : QDir(workingDirectory_).filePath(fileName_);
}

void Document::openedAt(const QString &path)
{
    const QFileInfo info(path);
    fileName_ = info.fileName();
    originDirectory_ = info.path();
    // Compared as text, as the user sees the two directories.
    setSaveElsewhere(originDirectory_ != workingDirectory_);
    setTitle(path);
}

void Document::makeNew()
{
    setModified(false);
    fileName_.clear();
    setTitle(Untitled);
    setSaveElsewhere(false);
}

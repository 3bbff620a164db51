// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/globalfiles.h"

#include "files/globalfile.h"
#include "session/ampglobals.h"
#include "session/prompter.h"

#include <QFileInfo>

GlobalFiles::GlobalFiles(AmpGlobals &globals, Prompter &prompter) : globals_(globals), prompter_(prompter) {}

void GlobalFiles::setDirectory(const QString &folder)
{
    openDirectory_ = folder;
    saveDirectory_ = folder;
}

QString GlobalFiles::caption(const QString &path)
{
    return tr("%1 - Globals").arg(QFileInfo(files::unquotedPath(path)).fileName());
}

QString GlobalFiles::read(const QString &path)
{
    // Everything that can fail comes before the record is touched.
    const files::GlobalRecord record = files::readGlobalFile(path);
    globals_.storeGlobals(record);
    globals_.setSourcePath(files::unquotedPath(path));
    const auto answer = prompter_.question(tr("Global File Open"), tr("Send Globals to Amp?"),
                                           {Prompter::Button::Yes, Prompter::Button::No});
    if (answer == Prompter::Button::Yes)
        globals_.sendGlobals();
    return caption(path);
}

QString GlobalFiles::open()
{
    const QString path = prompter_.openFileName(tr("Open"), openDirectory_, tr(Filter));
    if (path.isEmpty())
        return {};
    const QString title = read(path);
    const QFileInfo file(files::unquotedPath(path));
    saveName_ = file.fileName();
    setDirectory(file.absolutePath());
    return title;
}

QString GlobalFiles::saveAs()
{
    const QString path = prompter_.saveFileName(tr("Save As"), saveDirectory_, tr(Filter), saveName_);
    if (path.isEmpty())
        return {};
    // Like the main window's Save As: another file, a group file even, is
    // not replaced without asking.
    if (!prompter_.mayReplace(path))
        return {};
    // A file that cannot be written is reported, and the window keeps its
    // caption and dialogs: nothing claims a save that did not happen.
    files::writeGlobalFile(path, globals_.record());
    globals_.setModified(false);
    globals_.setSourcePath(path);
    const QFileInfo file(path);
    saveDirectory_ = file.absolutePath();
    saveName_ = file.fileName();
    if (onWritten)
        onWritten();
    return caption(path);
}

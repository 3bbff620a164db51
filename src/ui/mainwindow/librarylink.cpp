// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/librarylink.h"

#include "controls/presettabs.h"
#include "filelist/filelistpanel.h"
#include "library/setlistwindow.h"
#include "session/libraryrequests.h"
#include "session/session.h"

#include <QAction>
#include <QFileInfo>

#include <algorithm>

LibraryLink::LibraryLink(Session &session, FileListPanel &fileList, QAction *fileListView, Runner run)
    : session_(session), fileList_(fileList), fileListView_(fileListView), run_(std::move(run))
{}

LibraryHooks LibraryLink::hooks()
{
    LibraryHooks h;
    h.open = [this](const QString &path, int slot) { run_([&] { libraryrequests::open(session_, path, slot); }); };
    h.hear = [this](const preset::Record &record) { run_([&] { libraryrequests::hear(session_, record); }); };
    h.hearEditor = [this] { run_([&] { session_.editor().sendEditorData(); }); };
    h.hearChange = [this](const preset::Record &from, const preset::Record &to) {
        run_([&] { libraryrequests::hearChange(session_, from, to); });
    };
    h.keep = [this](const preset::Record &record, const QString &what) {
        run_([&] { session_.editor().takeRecord(record, what); });
    };
    h.groupView = [this] { return session_.editor().isGroupView(); };
    h.importToSlot = [this](int slot, const preset::Record &record) { importRecord(slot, record); };
    h.currentRecord = [this] { return std::optional<preset::Record>(libraryrequests::currentRecord(session_)); };
    h.currentName = [this] { return libraryrequests::currentName(session_); };
    h.currentFile = [this] { return libraryrequests::currentFile(session_); };
    h.play = SetlistWindow::playThrough(session_.queue(), session_.document(), session_.files());
    h.showInFileList = [this](const QString &path) {
        run_([&] {
            if (fileListView_ && !fileListView_->isChecked())
                fileListView_->trigger();
            fileList_.setPath(QFileInfo(path).absolutePath());
            fileList_.selectFile(QFileInfo(path).fileName());
        });
    };
    return h;
}

void LibraryLink::connectTabs(PresetTabs *tabs)
{
    connect(tabs, &PresetTabs::tabDropped, this, &LibraryLink::rearrangeSlots);
    connect(tabs, &PresetTabs::presetDropped, this, [this](int to, const QByteArray &bytes) {
        if (bytes.size() != preset::RecordSize)
            return;
        preset::Record r;
        std::copy(bytes.begin(), bytes.end(), r.begin());
        importRecord(to, r);
    });
}

void LibraryLink::importRecord(int slot, const preset::Record &record)
{
    run_([&] { session_.editor().importRecord(slot, record); });
}

void LibraryLink::rearrangeSlots(int from, int to, bool copy)
{
    run_([&] {
        if (copy)
            session_.editor().copySlot(from, to);
        else
            session_.editor().swapSlots(from, to);
    });
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/librarylink.h"

#include "controls/ttabcontrol.h"
#include "filelist/filelistpanel.h"
#include "library/presetmorph.h"
#include "librarywin/setlistwindow.h"
#include "model/presetparams.h"
#include "protocol/ampmessages.h"
#include "app/session.h"

#include <QAction>
#include <QFileInfo>

#include <algorithm>

LibraryLink::LibraryLink(Session &session, FileListPanel &fileList, QAction *fileListView, Runner run)
    : session_(session), fileList_(fileList), fileListView_(fileListView), run_(std::move(run))
{
}

LibraryHooks LibraryLink::hooks()
{
    LibraryHooks h;
    h.open = [this](const QString &path, int slot) {
        run_([&] {
            // As a file handed over: it may lie anywhere, the file list stays
            // (Save then asks where, unless it lies in the list's folder).
            session_.files().askToSave();
            session_.files().openNamed(path, slot);
        });
    };
    h.hear = [this](const preset::Record &record) {
        run_([&] {
            // Only values the Amp takes reach it, whatever an old index holds.
            preset::Record valid = record;
            presetparams::makeValid(valid);
            session_.link().send(amp::singlePreset(valid));
        });
    };
    h.hearEditor = [this] { run_([&] { session_.editor().sendEditorData(); }); };
    h.hearChange = [this](const preset::Record &from, const preset::Record &to) {
        run_([&] {
            for (const amp::Bytes &m : presetmorph::messages(from, to))
                session_.link().send(m);
        });
    };
    h.keep = [this](const preset::Record &record, const QString &what) {
        run_([&] { session_.editor().takeRecord(record, what); });
    };
    h.groupView = [this] { return session_.editor().isGroupView(); };
    h.importToSlot = [this](int slot, const preset::Record &record) { importRecord(slot, record); };
    h.currentRecord = [this] {
        preset::Record r;
        std::ranges::copy(session_.editor().record(), r.begin());
        return std::optional<preset::Record>(r);
    };
    h.currentName = [this] {
        const QString name = session_.document().titleName();
        const PresetEditor &editor = session_.editor();
        return editor.isGroupView() ? name + QLatin1Char(' ') + preset::slotName(editor.currentSlot()) : name;
    };
    h.currentFile = [this] {
        const PresetEditor &editor = session_.editor();
        return std::pair(session_.document().filePath(), editor.isGroupView() ? editor.currentSlot() : -1);
    };
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

void LibraryLink::connectTabs(TTabControl *tabs)
{
    connect(tabs, &TTabControl::tabDropped, this, &LibraryLink::rearrangeSlots);
    connect(tabs, &TTabControl::presetDropped, this, [this](int to, const QByteArray &bytes) {
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

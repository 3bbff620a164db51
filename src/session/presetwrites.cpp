// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/presetwrites.h"

#include "files/presetfile.h"
#include "model/quorvexerror.h"
#include "protocol/ampmessages.h"
#include "session/ampbackups.h"
#include "session/amplink.h"
#include "session/commandqueue.h"
#include "session/documentfiles.h"
#include "session/preseteditor.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

PresetWrites::PresetWrites(AmpLink &link, AmpTransfers &transfers, PresetEditor &editor, AmpBackups &backups,
                           CommandQueue &queue, QObject *parent)
    : QObject(parent), link_(link), transfers_(transfers), editor_(editor), backups_(backups), queue_(queue)
{
    connect(&transfers_, &AmpTransfers::presetReceived, this,
            [this](TransferState awaited, const preset::Record &record) {
                if (awaited == TransferState::BackupPreset) {
                    if (pending_)
                        emit slotRead(pending_->slot, record);
                    queue_.runInput([&] { backupArrived(amp::singlePreset(record)); });
                }
            });
    connect(&transfers_, &AmpTransfers::groupReceived, this,
            [this](TransferState awaited, const AmpTransfers::Group &group) {
                if (awaited == TransferState::BackupGroup) {
                    emit groupRead(group);
                    queue_.runInput([&] { backupArrived(amp::groupDump(group)); });
                }
            });
    connect(&transfers_, &AmpTransfers::timedOut, this, [this](TransferState ended) {
        if (ended == TransferState::BackupPreset || ended == TransferState::BackupGroup)
            queue_.runInput([&] { backupTimedOut(ended); });
    });
}

QString PresetWrites::Write::target() const
{
    if (!planned.empty()) {
        QStringList names;
        for (const auto &[s, record] : planned)
            names << preset::slotName(s);
        return names.join(QStringLiteral(", "));
    }
    return group.empty() ? preset::slotName(slot) : PresetWrites::tr("the Amp's group");
}

void PresetWrites::confirmOverwrite()
{
    const auto answer =
        queue_.prompter().question(QStringLiteral("Quorvex"), tr("Overwrite Amp's Preset(s)?"),
                                   {Prompter::Button::Ok, Prompter::Button::Cancel}, Prompter::Icon::Question);
    if (answer != Prompter::Button::Ok)
        throw Abort();
}

void PresetWrites::presetToAmp(int slot)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    confirmOverwrite();
    Write write;
    write.slot = slot;
    write.record.assign(editor_.record().begin(), editor_.record().end());
    start(std::move(write));
}

void PresetWrites::groupToAmp()
{
    if (!editor_.isGroupView())
        return;
    confirmOverwrite();
    Write write;
    write.group.assign(editor_.image().group.begin(), editor_.image().group.end());
    write.editorData.assign(editor_.record().begin(), editor_.record().end());
    start(std::move(write));
}

void PresetWrites::writeToSlot(int slot, const preset::Record &record, const QString &name)
{
    if (slot < 0 || slot >= preset::SlotCount)
        return;
    const auto answer = queue_.prompter().question(
        QStringLiteral("Quorvex"), tr("Write '%1' to Amp slot %2?").arg(name, preset::slotName(slot)),
        {Prompter::Button::Yes, Prompter::Button::No}, Prompter::Icon::Question);
    if (answer != Prompter::Button::Yes)
        throw Abort();
    Write write;
    write.slot = slot;
    write.record.assign(record.begin(), record.end());
    start(std::move(write));
}

void PresetWrites::writeSlots(const Plan &plan, const QString &planText)
{
    if (plan.empty())
        return;
    const auto answer =
        queue_.prompter().question(QStringLiteral("Quorvex"), tr("Write to the Amp: %1?").arg(planText),
                                   {Prompter::Button::Yes, Prompter::Button::No}, Prompter::Icon::Question);
    if (answer != Prompter::Button::Yes)
        throw Abort();
    Write write;
    write.planned = plan;
    start(std::move(write));
}

void PresetWrites::restoreBackup()
{
    Prompter &prompter = queue_.prompter();
    QDir().mkpath(backups_.folder());
    const QString chosen = prompter.openFileName(tr("Restore Amp Backup"), backups_.folder(),
                                                 DocumentFiles::tr(DocumentFiles::OpenFilter));
    if (chosen.isEmpty())
        return;
    const files::PresetFile file = files::readPresetFile(chosen, false);
    const QFileInfo info(file.path);
    if (file.kind == files::Kind::Global)
        throw QuorvexError(tr("Not a backup of presets:\n%1").arg(file.path));
    const AmpBackups::Name name = AmpBackups::parseName(info.fileName());
    Write write;
    QString holds;
    if (file.kind == files::Kind::Group) {
        write.group = file.data;
        holds = tr("all sixteen presets, A1 to D4, as the Amp had them");
    } else {
        // The slot it goes back to is the one its name says it came from.
        if (name.group || name.slot < 0)
            throw QuorvexError(tr("This backup does not say which slot it came from:\n%1").arg(file.path));
        write.slot = name.slot;
        write.record = file.data;
        holds = tr("preset %1 as the Amp had it").arg(preset::slotName(name.slot));
    }
    const QDateTime taken = name.taken.isValid() ? name.taken : info.lastModified();
    const auto answer =
        prompter.question(tr("Restore Amp Backup"),
                          tr("%1\nholds %2 on %3.\n\nWrite this backup to the Amp?")
                              .arg(info.fileName(), holds, taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                          {Prompter::Button::Yes, Prompter::Button::No}, Prompter::Icon::Question);
    if (answer != Prompter::Button::Yes)
        throw Abort();
    start(std::move(write));
}

void PresetWrites::start(Write write)
{
    if (!link_.portsOpen()) {
        notWritten(write, tr("MIDI In and Out must be enabled."));
        return;
    }
    // Taken as the user confirmed it; it goes once the Amp has answered
    // whatever it was asked before.
    queue_.runWhenAmpIdle([this, write = std::move(write)] { begin(write); });
}

void PresetWrites::begin(Write write)
{
    // Without a found Amp there is nothing to ask; the write goes as it is.
    if (!backupBeforeWrite_ || !link_.isAmpFound() || backups_.folder().isEmpty()) {
        perform(write);
        return;
    }
    // What the Amp holds now is fetched first; the write follows its backup.
    const bool group = !write.group.empty() || !write.planned.empty();
    const int slot = write.slot;
    pending_ = std::move(write);
    if (!group) {
        link_.send(amp::presetRequest(slot));
        transfers_.await(TransferState::BackupPreset);
    } else {
        link_.send(amp::groupRequest());
        transfers_.await(TransferState::BackupGroup);
    }
}

void PresetWrites::perform(const Write &write)
{
    bool sent = true;
    // Several presets or a group take a while on the cable: their bytes are told.
    int sentBytes = 0;
    auto send = [&](const amp::Bytes &message) {
        sentBytes += int(message.size());
        return link_.send(message);
    };
    auto store = [&](int slot, std::span<const std::uint8_t, preset::RecordSize> rec) {
        if (!link_.isOldFirmware())
            return send(amp::presetWrite(slot, rec));
        return send(amp::singlePreset(rec)) && send(amp::presetStore(slot));
    };
    if (!write.planned.empty()) {
        for (const auto &[slot, record] : write.planned)
            sent = sent && store(slot, record);
        // Old firmware stores by way of the current preset: the shown slot
        // goes back on top.
        if (sent && link_.isOldFirmware())
            editor_.sendEditorData();
    } else if (!write.group.empty()) {
        sent = send(
            amp::groupDump(std::span<const std::uint8_t, preset::GroupSize>(write.group.data(), preset::GroupSize)));
        if (sent && !write.editorData.empty())
            send(amp::singlePreset(
                std::span<const std::uint8_t, preset::RecordSize>(write.editorData.data(), preset::RecordSize)));
    } else {
        const std::span<const std::uint8_t, preset::RecordSize> rec(write.record.data(), preset::RecordSize);
        if (!link_.isOldFirmware()) {
            sent = link_.send(amp::presetWrite(write.slot, rec));
        } else {
            sent = link_.send(amp::singlePreset(rec)) && link_.send(amp::presetStore(write.slot));
            // Stored by way of the Amp's current preset: a backup put back
            // leaves the Amp playing it, so the shown slot goes back on top.
            if (sent && !std::equal(rec.begin(), rec.end(), editor_.record().begin()))
                editor_.sendEditorData();
        }
    }
    if (!write.planned.empty() || !write.group.empty())
        emit groupSent(sentBytes);
    if (!sent) {
        notWritten(write, tr("The MIDI output did not take the message."));
        return;
    }
    auto record = [](std::span<const std::uint8_t> bytes) {
        preset::Record r;
        std::copy_n(bytes.begin(), preset::RecordSize, r.begin());
        return r;
    };
    if (!write.planned.empty()) {
        for (const auto &[slot, r] : write.planned)
            emit slotWritten(slot, r);
    } else if (!write.group.empty()) {
        for (int s = 0; s < preset::SlotCount; ++s)
            emit slotWritten(s, record(std::span(write.group).subspan(std::size_t(s) * preset::RecordSize)));
    } else {
        emit slotWritten(write.slot, record(write.record));
    }
    emit statusMessage(tr("Written to %1").arg(write.target()));
}

void PresetWrites::notWritten(const Write &write, const QString &why)
{
    queue_.postNotice(QStringLiteral("Quorvex"), tr("%1\nNothing was written to %2.").arg(why, write.target()),
                      Prompter::Icon::Warning);
    emit statusMessage(tr("Not written to %1").arg(write.target()));
}

void PresetWrites::backupArrived(const std::vector<std::uint8_t> &file)
{
    transfers_.finish();
    if (!pending_)
        return;
    const Write write = std::move(*pending_);
    pending_.reset();
    const QString name =
        write.group.empty() && write.planned.empty() ? preset::slotName(write.slot) : QStringLiteral("group");
    // The Amp's presets are kept before anything replaces them: a backup
    // that cannot be written stops the write.
    try {
        backups_.save(file, name);
    } catch (const QuorvexError &e) {
        notWritten(write, e.message());
        return;
    }
    perform(write);
}

void PresetWrites::backupTimedOut(TransferState ended)
{
    if (!pending_)
        return;
    const Write write = std::move(*pending_);
    pending_.reset();
    // Nothing else is asked of the Amp until the user has decided.
    transfers_.hold();
    const QString text =
        !write.planned.empty()
            ? tr("No backup of the Amp's presets could be fetched. Write the presets without a backup?")
        : ended == TransferState::BackupGroup
            ? tr("No backup of the Amp's presets could be fetched. Write the group without a backup?")
            : tr("No backup of the Amp's preset could be fetched. Write the preset without a backup?");
    queue_.post(QString(), CommandQueue::Needs::NoDialog, [this, write, text] {
        struct Release {
            AmpTransfers &t;
            ~Release() { t.release(); }
        } release{transfers_};
        const auto answer = queue_.prompter().question(
            tr("Timeout"), text, {Prompter::Button::Yes, Prompter::Button::No}, Prompter::Icon::Warning);
        if (answer == Prompter::Button::Yes)
            perform(write);
        else
            emit statusMessage(tr("Not written to %1: no backup could be fetched").arg(write.target()));
    });
}

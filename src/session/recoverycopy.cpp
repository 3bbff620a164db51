// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/recoverycopy.h"

#include "model/quorvexerror.h"
#include "session/ampglobals.h"
#include "session/documentfiles.h"
#include "session/preseteditor.h"
#include "session/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <span>

const QString RecoveryCopy::Suffix = QStringLiteral(".recovery");

namespace {

const QString Format = QStringLiteral("quorvex-recovery");

QString kindName(Document::Kind kind)
{
    switch (kind) {
    case Document::Kind::Single: return QStringLiteral("single");
    case Document::Kind::Group: return QStringLiteral("group");
    case Document::Kind::None: break;
    }
    return QStringLiteral("none");
}

QDateTime fromMs(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// Owned by a program that has ended: its lock is stale, and now ours.
std::unique_ptr<QLockFile> lockIfLeft(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // only a dead owner makes it stale, never age
    if (!lock->tryLock(0))
        return {};
    return lock;
}

// A file that cannot be offered keeps its content beside, out of the way.
QString setAside(const QString &path)
{
    QString target = path + QStringLiteral(".damaged");
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".damaged-%1").arg(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace

QByteArray RecoveryState::toBytes() const
{
    QJsonObject o;
    o[QStringLiteral("format")] = Format;
    o[QStringLiteral("version")] = Version;
    o[QStringLiteral("file")] = filePath;
    o[QStringLiteral("kind")] = kindName(kind);
    o[QStringLiteral("title")] = title;
    o[QStringLiteral("saveElsewhere")] = saveElsewhere;
    o[QStringLiteral("view")] = groupView ? QStringLiteral("group") : QStringLiteral("single");
    o[QStringLiteral("slot")] = slot;
    o[QStringLiteral("ampSlot")] = ampSlot;
    o[QStringLiteral("lastChange")] = lastChange.toUTC().toString(Qt::ISODateWithMs);
    o[QStringLiteral("fileSize")] = double(fileSize);
    o[QStringLiteral("fileModified")] =
        fileModified.isValid() ? fileModified.toUTC().toString(Qt::ISODateWithMs) : QString();
    o[QStringLiteral("presets")] = QString::fromLatin1(presets.toHex());
    o[QStringLiteral("document")] = hasDocument;
    o[QStringLiteral("globals")] = QString::fromLatin1(globals.toHex());
    o[QStringLiteral("globalsFile")] = globalsPath;
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

RecoveryState RecoveryState::fromBytes(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (doc.isNull() || !doc.isObject())
        throw QuorvexError(QCoreApplication::translate("RecoveryCopy", "It is damaged (%1 at byte %2).")
                               .arg(error.errorString())
                               .arg(error.offset));
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != Format)
        throw QuorvexError(QCoreApplication::translate("RecoveryCopy", "It is not a Quorvex recovery file."));
    const int version = o.value(QStringLiteral("version")).toInt(0);
    if (version > Version)
        throw QuorvexError(
            QCoreApplication::translate("RecoveryCopy", "A newer version of Quorvex wrote it (format %1).")
                .arg(version));
    if (version < 1)
        throw QuorvexError(QCoreApplication::translate("RecoveryCopy", "It is damaged (no version)."));
    RecoveryState s;
    s.filePath = o.value(QStringLiteral("file")).toString();
    const QString kind = o.value(QStringLiteral("kind")).toString();
    s.kind = kind == QStringLiteral("single")  ? Document::Kind::Single
             : kind == QStringLiteral("group") ? Document::Kind::Group
                                               : Document::Kind::None;
    s.title = o.value(QStringLiteral("title")).toString();
    s.saveElsewhere = o.value(QStringLiteral("saveElsewhere")).toBool();
    s.groupView = o.value(QStringLiteral("view")).toString() == QStringLiteral("group");
    s.slot = o.value(QStringLiteral("slot")).toInt(-1);
    s.ampSlot = std::clamp(o.value(QStringLiteral("ampSlot")).toInt(-1), -1, preset::SlotCount - 1);
    s.lastChange = QDateTime::fromString(o.value(QStringLiteral("lastChange")).toString(), Qt::ISODateWithMs);
    s.fileSize = qint64(o.value(QStringLiteral("fileSize")).toDouble(-1));
    s.fileModified = QDateTime::fromString(o.value(QStringLiteral("fileModified")).toString(), Qt::ISODateWithMs);
    s.presets = QByteArray::fromHex(o.value(QStringLiteral("presets")).toString().toLatin1());
    // Version 1 kept the document alone.
    s.hasDocument = o.value(QStringLiteral("document")).toBool(true);
    s.globals = QByteArray::fromHex(o.value(QStringLiteral("globals")).toString().toLatin1());
    s.globalsPath = o.value(QStringLiteral("globalsFile")).toString();
    if (s.hasDocument &&
        (s.presets.size() != preset::GroupSize || s.slot < 0 || s.slot >= preset::SlotCount || s.title.isEmpty()))
        throw QuorvexError(QCoreApplication::translate("RecoveryCopy", "It is damaged (its presets are incomplete)."));
    if (!s.globals.isEmpty() && s.globals.size() != preset::GlobalSize)
        throw QuorvexError(
            QCoreApplication::translate("RecoveryCopy", "It is damaged (its global settings are incomplete)."));
    if (!s.hasDocument && s.globals.isEmpty())
        throw QuorvexError(QCoreApplication::translate("RecoveryCopy", "It is damaged (it holds no changes)."));
    return s;
}

RecoveryCopy::RecoveryCopy(PresetEditor &editor, Document &document, AmpGlobals &globals, QObject *parent)
    : QObject(parent), editor_(editor), document_(document), globals_(globals)
{
    timer_.setSingleShot(true);
    timer_.setInterval(WriteDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryCopy::writeNow);
    writer_.setMaxThreadCount(1); // in order: a removal never overtakes a write
    connect(&editor_.history().stack(), &QUndoStack::indexChanged, this, &RecoveryCopy::noteChange);
    connect(&document_, &Document::modifiedChanged, this, &RecoveryCopy::modifiedChanged);
    connect(&globals_, &AmpGlobals::edited, this, &RecoveryCopy::noteChange);
    connect(&globals_, &AmpGlobals::modifiedChanged, this, &RecoveryCopy::modifiedChanged);
}

RecoveryCopy::~RecoveryCopy()
{
    // An orderly end: what was not saved was declined.
    timer_.stop();
    removeOwn();
    writer_.waitForDone();
}

QString RecoveryCopy::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
}

bool RecoveryCopy::start(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    folder_ = folder;
    // Named after this process and its start, so two programs never share one.
    static std::atomic<int> made{0};
    path_ = QDir(folder).filePath(QStringLiteral("%1-%2-%3%4")
                                      .arg(QCoreApplication::applicationPid())
                                      .arg(QDateTime::currentMSecsSinceEpoch())
                                      .arg(++made)
                                      .arg(Suffix));
    if (unsaved())
        modifiedChanged();
    return true;
}

bool RecoveryCopy::lockOwn()
{
    // Locked before the copy first exists: a copy without a live owner's
    // lock is one a program left behind.
    if (lock_)
        return true;
    auto lock = std::make_unique<QLockFile>(path_ + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    lock_ = std::move(lock);
    return true;
}

bool RecoveryCopy::unsaved() const
{
    return document_.isModified() || globals_.isModified();
}

void RecoveryCopy::noteChange()
{
    if (folder_.isEmpty() || !unsaved())
        return;
    lastChangeMs_ = QDateTime::currentMSecsSinceEpoch();
    if (!timer_.isActive())
        timer_.start();
}

void RecoveryCopy::modifiedChanged()
{
    if (folder_.isEmpty())
        return;
    if (!unsaved()) {
        documentWork_ = false;
        timer_.stop();
        removeOwn();
        return;
    }
    const bool began = document_.isModified() && !documentWork_;
    documentWork_ = document_.isModified();
    if (began) {
        // The file as it was when the work began: the next start can tell
        // whether it changed on disk since.
        const QFileInfo info(document_.filePath());
        fileSize_ = !document_.filePath().isEmpty() && info.exists() ? info.size() : -1;
        fileModified_ = fileSize_ >= 0 ? info.lastModified().toUTC() : QDateTime();
    }
    if (!written_) {
        noteChange();
        return;
    }
    // One part saved or discarded, the other still unsaved: the copy drops
    // the saved part, keeping the time of the last change.
    if (!timer_.isActive())
        timer_.start();
}

RecoveryState RecoveryCopy::snapshot() const
{
    RecoveryState s;
    s.hasDocument = document_.isModified();
    if (globals_.isModified()) {
        const auto g = globals_.record();
        s.globals = QByteArray(reinterpret_cast<const char *>(g.data()), int(g.size()));
        s.globalsPath = globals_.sourcePath();
    }
    s.filePath = document_.filePath();
    s.kind = document_.fileKind();
    s.title = document_.titleName();
    s.saveElsewhere = document_.saveElsewhere();
    s.groupView = editor_.isGroupView();
    s.slot = editor_.currentSlot();
    s.ampSlot = document_.ampSlot();
    s.presets = QByteArray(reinterpret_cast<const char *>(editor_.image().group.data()), preset::GroupSize);
    s.lastChange = fromMs(lastChangeMs_ ? lastChangeMs_ : QDateTime::currentMSecsSinceEpoch());
    s.fileSize = fileSize_;
    s.fileModified = fileModified_;
    return s;
}

void RecoveryCopy::writeNow()
{
    timer_.stop();
    if (folder_.isEmpty() || !unsaved())
        return;
    if (!lockOwn()) {
        if (!std::exchange(failedOnce_, true))
            emit writeFailed(tr("The recovery copy cannot be kept in %1.").arg(folder_));
        return;
    }
    written_ = true;
    wish(snapshot().toBytes());
}

void RecoveryCopy::removeOwn()
{
    if (std::exchange(written_, false))
        wish(std::nullopt);
}

void RecoveryCopy::wish(std::optional<QByteArray> bytes, const QString &alsoRemove)
{
    QMutexLocker lock(&wishMutex_);
    wishBytes_ = std::move(bytes);
    wishPending_ = true;
    if (!alsoRemove.isEmpty())
        alsoRemove_ << alsoRemove;
    if (!std::exchange(workScheduled_, true))
        writer_.start([this] { work(); });
}

void RecoveryCopy::work()
{
    for (;;) {
        std::optional<QByteArray> bytes;
        QStringList alsoRemove;
        {
            QMutexLocker lock(&wishMutex_);
            if (!wishPending_) {
                workScheduled_ = false;
                return;
            }
            wishPending_ = false;
            bytes = std::exchange(wishBytes_, std::nullopt);
            alsoRemove = std::exchange(alsoRemove_, {});
        }
        if (!bytes) {
            QFile::remove(path_);
        } else {
            QSaveFile file(path_);
            if (!(file.open(QIODevice::WriteOnly) && file.write(*bytes) == bytes->size() && file.commit())) {
                const QString message =
                    tr("The recovery copy could not be written to %1: %2").arg(path_, file.errorString());
                QMetaObject::invokeMethod(
                    this,
                    [this, message] {
                        if (!std::exchange(failedOnce_, true))
                            emit writeFailed(message);
                    },
                    Qt::QueuedConnection);
                continue; // the copies it took over stay
            }
        }
        for (const QString &path : alsoRemove)
            QFile::remove(path);
    }
}

bool RecoveryCopy::offerLeftBehind(Prompter &prompter, DocumentFiles &files)
{
    if (folder_.isEmpty())
        return false;
    // Locks of programs that ended without a copy to leave: taken, and gone
    // with the lock objects.
    const QStringList locks =
        QDir(folder_).entryList({QStringLiteral("*") + Suffix + QStringLiteral(".lock")}, QDir::Files);
    for (const QString &name : locks) {
        const QString copy = QDir(folder_).filePath(name.chopped(5));
        if (copy != path_ && !QFile::exists(copy))
            lockIfLeft(copy);
    }
    const QStringList names =
        QDir(folder_).entryList({QStringLiteral("*") + Suffix}, QDir::Files, QDir::Time | QDir::Reversed);
    bool restored = false;
    restoredGlobals_ = false;
    for (const QString &name : names) {
        const QString path = QDir(folder_).filePath(name);
        if (path == path_)
            continue;
        // Left by a program still running: its own.
        const std::unique_ptr<QLockFile> lock = lockIfLeft(path);
        if (!lock)
            continue;
        QFile file(path);
        RecoveryState state;
        try {
            if (!file.open(QIODevice::ReadOnly))
                throw QuorvexError(tr("It cannot be read (%1).").arg(file.errorString()));
            state = RecoveryState::fromBytes(file.read(1 << 20));
            file.close();
        } catch (const QuorvexError &e) {
            file.close();
            const QString kept = setAside(path);
            prompter.notice(QStringLiteral("Quorvex"),
                            tr("A recovery copy of unsaved changes cannot be offered: %1\n%2")
                                .arg(e.message(), kept.isEmpty() ? path : tr("It was set aside as %1").arg(kept)),
                            Prompter::Icon::Warning);
            continue;
        }
        const QString what = !state.filePath.isEmpty() ? QFileInfo(state.filePath).fileName()
                             : state.ampSlot >= 0
                                 ? tr("the preset from the Amp's %1").arg(preset::slotName(state.ampSlot))
                                 : tr("a new preset");
        const QString globalsWhat = state.globalsPath.isEmpty()
                                        ? tr("the global settings")
                                        : tr("the global settings (%1)").arg(QFileInfo(state.globalsPath).fileName());
        const QString all = !state.hasDocument        ? globalsWhat
                            : state.globals.isEmpty() ? what
                                                      : tr("%1 and %2").arg(what, globalsWhat);
        QString text = tr("Quorvex ended without saving %1 (last change %2). Restore the unsaved changes?")
                           .arg(all, QLocale().toString(state.lastChange.toLocalTime(), QLocale::ShortFormat));
        if (state.hasDocument && state.fileSize >= 0) {
            const QFileInfo info(state.filePath);
            if (!info.exists())
                text += tr("\n\n%1 is no longer on disk.").arg(what);
            else if (info.size() != state.fileSize || info.lastModified().toUTC() != state.fileModified)
                text += tr("\n\n%1 has changed on disk since. Restoring keeps both: the changes here, "
                           "unsaved, and the file on disk as it is now.")
                            .arg(what);
        }
        const int answer = prompter.namedChoice(QStringLiteral("Quorvex"), text, {tr("Restore"), tr("Discard")});
        if (answer == 0) {
            // What is shown now is asked about first; Cancel keeps the copy.
            try {
                if (state.hasDocument)
                    files.askToSave();
            } catch (const Abort &) {
                break;
            }
            restore(state);
            restoredGlobals_ = restoredGlobals_ || !state.globals.isEmpty();
            // Ours holds the work before the old copy goes.
            timer_.stop();
            written_ = true;
            if (lockOwn())
                wish(snapshot().toBytes(), path);
            restored = restored || state.hasDocument;
        } else if (answer == 1) {
            QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
            if (!QFile::moveToTrash(path))
                QFile::remove(path);
        }
        // Cancel: offered again at the next start.
    }
    return restored;
}

void RecoveryCopy::restore(const RecoveryState &state)
{
    if (!state.globals.isEmpty())
        globals_.restoreUnsaved(
            std::span<const std::uint8_t, preset::GlobalSize>(
                reinterpret_cast<const std::uint8_t *>(state.globals.constData()), preset::GlobalSize),
            state.globalsPath);
    if (!state.hasDocument)
        return;
    editor_.setView(state.groupView ? PresetEditor::View::Group : PresetEditor::View::Single);
    editor_.storeGroup(std::span<const std::uint8_t, preset::GroupSize>(
        reinterpret_cast<const std::uint8_t *>(state.presets.constData()), preset::GroupSize));
    if (state.groupView)
        editor_.selectSlotQuietly(state.slot);
    editor_.reload();
    editor_.sendEditorData();
    editor_.startHistory(true); // unsaved: the marker shows
    if (state.filePath.isEmpty())
        document_.dropFile(state.title, state.saveElsewhere);
    else
        document_.setFile(state.filePath, state.kind);
    document_.setAmpSlot(state.ampSlot);
    document_.setSaveElsewhere(state.saveElsewhere);
    fileSize_ = state.fileSize;
    fileModified_ = state.fileModified;
    lastChangeMs_ = state.lastChange.toMSecsSinceEpoch();
}

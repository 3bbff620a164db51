// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/presetfile.h"
#include "model/presetparams.h"
#include "session/inputscope.h"
#include "support/ampworld.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

// A user and the Amp's player taking turns on one session over the
// built-in virtual Amp: knob steps, switches and lists, Alt sets and their
// copies, Boost All and Restore, tabs swapped, copied and imported from the
// library or files, presets fetched and followed, the Amp's own knobs,
// undo and redo, New, Open (damaged files too), Save, Compare, Check the
// Amp and writes. Each step comes from three bytes, so a test can play a
// seeded random sequence and the fuzzer any sequence at all. After each
// step (once everything in flight has arrived) broken() says what, if
// anything, is out of step: the Amp's current preset against the shown
// slot, a saved file against the document, a failed Open against what was
// there before.
class SequenceDriver {
public:
    // Answers as a user who keeps going: no to "Save Changes?", yes to
    // replacing a file, the driver's choice elsewhere. A box shown inside
    // an input handler is counted as broken.
    struct User : Prompter {
        int insideInput = 0;
        int notices = 0;
        int choice = 0;
        QString nextFile;
        Button question(const QString &, const QString &text, const QList<Button> &buttons, Icon) override
        {
            insideInput += InputScope::active() ? 1 : 0;
            if (text.startsWith(QLatin1String("Save Changes?")) && buttons.contains(Button::No))
                return Button::No;
            if (buttons.contains(Button::Yes))
                return Button::Yes;
            return buttons.contains(Button::Ok) ? Button::Ok : buttons.last();
        }
        void notice(const QString &, const QString &, Icon) override
        {
            insideInput += InputScope::active() ? 1 : 0;
            ++notices;
        }
        QString openFileName(const QString &, const QString &, const QString &) override { return nextFile; }
        QString saveFileName(const QString &, const QString &, const QString &, const QString &) override
        {
            return nextFile;
        }
        int chooseItem(const QString &, const QString &, const QStringList &, int) override { return -1; }
        int namedChoice(const QString &, const QString &, const QStringList &answers, Icon) override
        {
            insideInput += InputScope::active() ? 1 : 0;
            return answers.isEmpty() ? -1 : choice % int(answers.size());
        }
    };

    explicit SequenceDriver(bool oldFirmware = false)
    {
        s().link().setFirmwareVersion(oldFirmware ? 0x14 : 0x20);
        editor().history().clock = [this] { return now_; };
        s().document().setWorkingDirectory(folder_.path());
        s().backups().setFolder(folder_.filePath(QStringLiteral("backups")));
        s().run([&] { s().files().newDocument(true); });
        world_.settle();
    }

    Session &s() { return world_.s(); }
    PresetEditor &editor() { return world_.editor(); }
    AmpWorld &world() { return world_; }

    // Empty while everything is in step.
    QString broken()
    {
        if (user_.insideInput > 0)
            return QStringLiteral("a box inside an input handler");
        if (editor().loading())
            return QStringLiteral("the loading guard stayed set");
        if (s().transfers().replacedQuestions() > 0)
            return QStringLiteral("a question to the Amp replaced another");
        if (!problem_.isEmpty())
            return problem_;
        const QString amp = world_.outOfStep();
        return amp.isEmpty() ? QString() : QStringLiteral("the Amp is out of step: ") + amp;
    }

    QString step(std::uint8_t op, std::uint8_t a, std::uint8_t b)
    {
        // Time passes between steps: sometimes within a knob's run, sometimes not.
        now_ += (b & 1) ? 100 : EditHistory::MergePauseMs + 1;
        if (editor().flangerHold())
            editor().endFlangerHold();
        const QString what = play(op % 20, a, b);
        world_.settle();
        return what;
    }

private:
    static constexpr int KnobBytes[] = {preset::PreGain,    preset::Low,         preset::Mid,       preset::High,
                                        preset::PostGain,   preset::ReverbLevel, preset::MidFreq,   preset::ModRate,
                                        preset::ModDepth,   preset::FlangerFB,   preset::FlangerDT, preset::DLTime,
                                        preset::DLFeedback, preset::DLLevel,     preset::DLScale};
    static constexpr preset::Dual Duals[] = {preset::Dual::Preamp, preset::Dual::Modulation, preset::Dual::Delay,
                                             preset::Dual::Reverb};

    bool group() { return editor().isGroupView(); }
    void run(const std::function<void()> &body) { s().run(body); }

    // A record from two bytes: the defaults with a few bytes anywhere, in
    // range or not (files and the library may hold anything).
    static preset::Record someRecord(std::uint8_t a, std::uint8_t b)
    {
        preset::Record r = preset::DefaultRecord;
        r[a % preset::RecordSize] = b;
        r[b % preset::RecordSize] = std::uint8_t(a * 7 + 3);
        r[preset::PreGain] = std::uint8_t(1 + a % 33);
        return r;
    }

    QString writeFile(const QString &name, const amp::Bytes &bytes)
    {
        const QString path = folder_.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        return path;
    }

    // Whatever the user did, as the menus do it.
    QString play(int op, std::uint8_t a, std::uint8_t b)
    {
        PresetEditor &e = editor();
        switch (op) {
        case 0: { // a knob step, on the shown set
            const int normal = KnobBytes[a % std::size(KnobBytes)];
            int index = normal;
            for (preset::Dual d : Duals)
                for (int n : preset::dualSection(d).normalBytes)
                    if (n == normal && e.altSetShown(d))
                        index = normal + 1;
            const preset::Range range = preset::knobRange(index);
            const int value = range.min + b % (range.max - range.min + 1);
            run([&] { e.editByte(index, std::uint8_t(value)); });
            return QStringLiteral("knob %1 to %2").arg(index).arg(value);
        }
        case 1: { // a switch or a list
            switch (a % 8) {
            case 0: run([&] { e.setAmpModel(b % 16); }); break;
            case 1: run([&] { e.setCabinet(b % 16); }); break;
            case 2: run([&] { e.setModulationType(b % 6); }); break;
            case 3: run([&] { e.editField(preset::TapFunction, b % 16); }); break;
            case 4: run([&] { e.editField(preset::Bright, b & 1); }); break;
            case 5: run([&] { e.editField(preset::PadOff, b & 1); }); break;
            case 6:
                run([&] { e.editField(preset::Presence, preset::radioCode(preset::Radio::Presence, b % 3)); });
                break;
            default: run([&] { e.editField(preset::DLSeparationBits, b % 26); }); break;
            }
            return QStringLiteral("switch %1 to %2").arg(a % 8).arg(b);
        }
        case 2: { // an Alt box
            const preset::Dual d = Duals[a % 4];
            run([&] { e.editField(preset::dualSection(d).flag, e.altSetShown(d) ? 0 : 1); });
            return QStringLiteral("Alt %1").arg(a % 4);
        }
        case 3: run([&] { e.copyToOtherSet(Duals[a % 4]); }); return QStringLiteral("copy set %1").arg(a % 4);
        case 4:
            if (!group())
                return QStringLiteral("(no tabs to boost)");
            if (a % 3 == 2 && e.restoreBoostAvailable())
                run([&] { e.restoreBoostSettings(); });
            else
                run([&] { e.boostAllTabs(a % 3 == 0); });
            return QStringLiteral("boost command %1").arg(a % 3);
        case 5:
            if (b & 2)
                run([&] { e.copySlot(a % 16, b % 16); });
            else
                run([&] { e.swapSlots(a % 16, b % 16); });
            return QStringLiteral("%1 %2 and %3").arg((b & 2) ? "copy" : "swap").arg(a % 16).arg(b % 16);
        case 6:
            run([&] { e.importRecord((a & 1) ? -1 : b % 16, someRecord(a, b)); });
            return QStringLiteral("library import");
        case 7: {
            const QString path = writeFile(QStringLiteral("import.syx"), amp::singlePreset(someRecord(b, a)));
            run([&] { s().files().importFromList(path); });
            return QStringLiteral("file import");
        }
        case 8:
            run([&] { s().fetches().presetFromAmp(a % 16); });
            return QStringLiteral("Preset from Amp %1").arg(a % 16);
        case 9: run([&] { s().fetches().groupFromAmp(); }); return QStringLiteral("Group from Amp");
        case 10:
            world_.hand().stepToPreset(a % 16, (b & 1) != 0);
            return QStringLiteral("Program Change %1 (%2)").arg(a % 16).arg(b & 1);
        case 11: // the player's hand on the Amp: any byte, any value
            world_.hand().turnKnob(a % preset::RecordSize, b);
            return QStringLiteral("the Amp's knob %1 to %2").arg(a % preset::RecordSize).arg(b);
        case 12:
        case 13: {
            QUndoStack &stack = e.history().stack();
            for (int i = 0; i <= a % 3; ++i)
                if (!e.comparing() && !s().transfers().busy())
                    run([&] { op == 12 ? stack.undo() : stack.redo(); });
            return op == 12 ? QStringLiteral("undo") : QStringLiteral("redo");
        }
        case 14: run([&] { e.selectSlot(a % 16); }); return QStringLiteral("tab %1").arg(a % 16);
        case 15: return openSomething(a);
        case 16: return save(a);
        case 17: run([&] { e.setComparing(!e.comparing()); }); return QStringLiteral("Compare");
        case 18: { // the Amp lost something: a check puts the two in step again
            if (e.comparing())
                return QStringLiteral("(Transfer menu off)");
            preset::Record valid = someRecord(a, b);
            presetparams::makeValid(valid);
            world_.amp().current = valid;
            user_.choice = b & 1;
            run([&] { s().check().checkAmp(); });
            return QStringLiteral("Check the Amp, answer %1").arg(b & 1);
        }
        default:
            if (e.comparing())
                return QStringLiteral("(Transfer menu off)");
            if ((a & 1) && group())
                run([&] { s().writes().groupToAmp(); });
            else
                run([&] { s().writes().presetToAmp(b % 16); });
            return QStringLiteral("write to the Amp");
        }
    }

    QString openSomething(std::uint8_t a)
    {
        switch (a % 4) {
        case 0:
        case 1: run([&] { s().files().newDocument(a % 4 == 1); }); return QStringLiteral("New");
        case 2:
            if (lastSaved_.isEmpty())
                return QStringLiteral("(nothing saved yet)");
            run([&] {
                s().files().askToSave();
                s().files().openNamed(lastSaved_);
            });
            return QStringLiteral("open ") + lastSaved_;
        default: {
            // A damaged file changes nothing: document, history, view, Amp.
            amp::Bytes bytes = (a & 4) ? amp::groupDump(editor().image().group) : amp::singlePreset(world_.shown());
            bytes.resize(bytes.size() - 2 - a % 20);
            const QString path = writeFile(QStringLiteral("damaged.syx"), bytes);
            const auto image = editor().image().group;
            const int steps = editor().history().stack().count();
            const bool wasGroup = group();
            const QString title = s().document().caption();
            const int errors = user_.notices;
            run([&] { s().files().openNamed(path); });
            if (user_.notices != errors + 1 || editor().image().group != image || group() != wasGroup ||
                editor().history().stack().count() != steps || s().document().caption() != title)
                problem_ = QStringLiteral("a failed Open changed the document");
            return QStringLiteral("open a damaged file");
        }
        }
    }

    QString save(std::uint8_t a)
    {
        if (editor().comparing())
            return QStringLiteral("(Save off while comparing)");
        user_.nextFile = folder_.filePath(QStringLiteral("saved%1.syx").arg(a % 3));
        bool saved = false;
        run([&] { saved = s().files().saveAs(); });
        if (!saved) {
            problem_ = QStringLiteral("Save As wrote nothing");
            return QStringLiteral("Save As");
        }
        lastSaved_ = user_.nextFile;
        const amp::Bytes expected =
            group() ? amp::groupDump(editor().image().group) : amp::singlePreset(editor().image().record(0));
        QFile f(lastSaved_);
        if (!f.open(QIODevice::ReadOnly) ||
            f.readAll() != QByteArray(reinterpret_cast<const char *>(expected.data()), qsizetype(expected.size())))
            problem_ = QStringLiteral("the saved file is not the document");
        if (s().document().isModified())
            problem_ = QStringLiteral("saved, yet modified");
        return QStringLiteral("Save As ") + lastSaved_;
    }

    QTemporaryDir folder_;
    User user_;
    AmpWorld world_{user_};
    qint64 now_ = 1000;
    QString lastSaved_;
    QString problem_;
};

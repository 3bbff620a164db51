// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the editor panel's files share: its binding rows and small helpers.
// Private to src/ui/editor.

#include "controls/flatgroupbox.h"
#include "controls/numberknob.h"
#include "controls/presettabs.h"
#include "controls/valueedit.h"
#include "editor/editorpanel.h"
#include "editor/windowscolor.h"
#include "model/amplists.h"
#include "model/delaytime.h"
#include "model/firmware.h"
#include "model/presetparams.h"
#include "model/quorvexerror.h"
#include "session/ampglobals.h"
#include "session/commandqueue.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

using preset::Dual;
using presetparams::Section;
using presetparams::sectionCaption;

namespace editorparts {

inline constexpr int FlangerType = 1;
inline constexpr int TapFunctions = 16; // a four-bit field: every value has an entry
inline constexpr Field WholeByte{-1, 0, 0};

// The group boxes that hold knobs, in the order they are built.
enum class Box { Model, Preamp, Reverb, Modulation, Delay, ModType, DelayTime, Count };

inline std::uint8_t byteOf(const Knob *knob)
{
    // The knobs step by whole numbers; a value becomes a byte by truncation.
    return std::uint8_t(int(static_cast<const NumberKnob *>(knob)->GetValue()));
}

inline void checkQuietly(QCheckBox *box, bool on)
{
    const QSignalBlocker blocker(box);
    box->setChecked(on);
}

inline QGroupBox *groupBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = new FlatGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

inline QGridLayout *knobGrid(QWidget *box)
{
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(4, 0, 4, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    return grid;
}

inline QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(hint);
    return box;
}

// A list shows a value it has an entry for; any other value the Amp or a
// file may hold shows as an entry of its own rather than as a blank.
inline void showValue(QComboBox *box, int value, int entries)
{
    const QSignalBlocker blocker(box);
    if (value >= 0 && value < entries) {
        while (box->count() > entries)
            box->removeItem(box->count() - 1);
        box->setCurrentIndex(value);
        return;
    }
    const QString unknown = QCoreApplication::translate("presetparams", "Unknown (%1)").arg(value);
    if (box->count() > entries)
        box->setItemText(entries, unknown);
    else
        box->addItem(unknown);
    box->setCurrentIndex(entries);
}

// The lists keep this many of their entries for a firmware version.
inline int modelEntries(std::uint8_t version)
{
    return firmware::hasVersion2(version) ? preset::SlotCount : amplists::FirstNewerModel;
}
inline int modulationEntries(std::uint8_t version)
{
    const int all = int(amplists::modulationTypes().size());
    return firmware::hasVersion2(version) ? all : all - 1;
}

} // namespace editorparts

using namespace editorparts;

// ---- The binding rows

struct EditorPanel::KnobRow {
    NumberKnob *EditorPanel::*member;
    const char *name;
    const char *hint;
    Box box;
    int column;
    int byte;    // the record byte; the normal one of a dual pair
    Field field; // WholeByte, or the field the knob edits
    // The dual section the knob belongs to, and its body colours.
    std::optional<Dual> dual;
    std::uint32_t colour, altColour;
    bool delayTime; // the delay time label follows it
    bool rightMenu; // 255 steps make too long a menu
};

struct EditorPanel::CheckRow {
    QCheckBox *EditorPanel::*member;
    const char *name;
    const char *hint;
    Field field;
    bool inverted; // checked when the bit is 0
};

struct EditorPanel::DualRow {
    QGroupBox *EditorPanel::*box;
    const char *boxName;
    QCheckBox *EditorPanel::*altBox;
    const char *altName;
    QMenu *EditorPanel::*menu;
    const char *menuName;
    QAction *EditorPanel::*copy;
    const char *copyName;
    const char *copyCaption;
};

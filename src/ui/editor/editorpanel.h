// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"
#include "session/preseteditor.h"
#include "session/taptempo.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class AmpGlobals;
class CommandQueue;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class PresetTabs;
class Knob;
class NumberKnob;

// The editor panel: the current slot's record on knobs, boxes and lists.
// Each control is one row of a binding table (record byte or field, range,
// caption, hint, colour); a user's change goes through its row to the
// preset editor as an intent, which writes the record and sends the
// message. What the panel shows comes from the record and the editor (the
// shown dual sets are the record's Alt flags, the global cabinet override
// GlobalRecord byte 13); no control is read to decide what to send, and
// showing writes nothing back.
class EditorPanel : public QWidget {
    Q_OBJECT
public:
    EditorPanel(PresetEditor &editor, AmpGlobals &globals, CommandQueue &queue, QWidget *parent = nullptr);
    ~EditorPanel() override;

    // Shows the current record (the editor's recordChanged runs it too).
    void loadPanel();
    // Shows one changed byte: a knob's byte moves that knob alone; a byte
    // of switches and lists reloads the panel.
    void loadByte(int index);
    // The amp model and cabinet lists lose their "(2.0)" entries, and the
    // modulation list its octaver, below firmware 1.8; the global cabinet
    // override is then unavailable.
    void adaptToFirmware(std::uint8_t version);

    // Positions of the panel box below the top of the editor area.
    static constexpr int SingleTop = 14;
    static constexpr int GroupTop = 28;
    QWidget *PanelBox() const { return panelBox_; }
    QSize sizeHint() const override;

    TapTempo &tapTempo() { return tap_; }

    // Knob colours (Windows colour values, 0x00BBGGRR).
    static constexpr std::uint32_t Maroon = 0x000080, Red = 0x0000FF, Green = 0x008000, Lime = 0x00FF00,
                                   Olive = 0x008080, Yellow = 0x00FFFF, Teal = 0x808000, Silver = 0xC0C0C0,
                                   White = 0xFFFFFF, Black = 0x000000, Gray = 0x808080, Navy = 0x800000;

    // Handlers of the controls with rules of their own; the plain knobs,
    // boxes and lists run their binding row.
    void showSelectedSlot();
    void chooseAmp();
    void chooseCab();
    void setGCab(bool on);
    void chooseModulation();
    void updateFlangerKnobs();
    void showActiveSet(preset::Dual section);
    void boostAllTabs();
    void unboostAllTabs();
    void restoreBoostSettings();
    void applyTapFunction();
    void tap();
    void updateDelayTimeLabel();

    // Controls.
    PresetTabs *presetTabs;
    QMenu *PopupMenuTabs;
    QAction *boostAllTabsAction, *unboostAllTabsAction, *restoreBoostSettingsAction;

    QGroupBox *GroupBoxModel;
    QComboBox *ComboBoxAmp, *ComboBoxCab;
    QCheckBox *CheckBoxGCab, *CheckBoxPad, *CheckBoxBright;
    QGroupBox *RadioGroupChunk, *RadioGroupPres, *RadioGroupRes;
    QButtonGroup *ChunkButtons, *PresButtons, *ResButtons;
    NumberKnob *NxNumberKnobShift; // Mid Freq.

    QGroupBox *GroupBoxPreamp;
    NumberKnob *NxNumberKnobPre, *NxNumberKnobLow, *NxNumberKnobMid, *NxNumberKnobHigh, *NxNumberKnobPost;
    QCheckBox *CheckBoxBoost;
    QMenu *PopupMenuPreamp;
    QAction *SyncBoost;

    QGroupBox *GroupBoxReverb;
    NumberKnob *NxNumberKnobReverb;
    QCheckBox *CheckBoxReverb;
    QMenu *PopupMenuReverb;
    QAction *SyncReverb;

    QGroupBox *GroupBoxModType;
    QComboBox *ComboBoxMod;
    NumberKnob *NxNumberKnobFlangerDT, *NxNumberKnobFlangerFB;

    QGroupBox *GroupBoxMod;
    NumberKnob *NxNumberKnobRate, *NxNumberKnobDepth;
    QCheckBox *CheckBoxMod;
    QMenu *PopupMenuMod;
    QAction *SyncMod;

    QGroupBox *GroupBoxDelay;
    NumberKnob *NxNumberKnobDLFeedback, *NxNumberKnobDLLevel;
    QCheckBox *CheckBoxDelay;
    QMenu *PopupMenuDelay;
    QAction *SyncDelay;

    QGroupBox *GroupBoxDelayS;
    NumberKnob *NxNumberKnobDLTime, *NxNumberKnobDLScale, *NxNumberKnobDLSeparation;
    QCheckBox *CheckBoxDark;
    QPushButton *BitBtnTap;
    QLabel *StaticText22; // the delay time
    QGroupBox *GroupBoxTapFn;
    QComboBox *ComboBoxTap;
    QLabel *LabelTapFn;
    QPushButton *BitBtnExec;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct KnobRow;
    struct CheckRow;
    struct DualRow;
    static const std::vector<KnobRow> &knobRows();
    static const std::vector<CheckRow> &checkRows();
    static const std::array<DualRow, preset::DualCount> &dualRows();

    void buildBoxes();
    // The knobs of one group box (a Box of the binding table), into its grid.
    void buildKnobs(int box);
    QCheckBox *buildCheck(const CheckRow &row, QWidget *parent);
    void buildDualSections();
    void buildModel();
    void buildDelayTime();
    void buildTapFunction();
    void buildTabs();
    void layoutPanel();

    void knobChanged(const KnobRow &row, Knob *knob);
    void checkClick(const CheckRow &row, bool checked);
    void altBoxClick(preset::Dual section, bool on);
    void radioClick(preset::Radio group, QButtonGroup *buttons, Field field);
    void copyToOther(preset::Dual section);
    void boostAll(bool on);
    void setView(PresetEditor::View view);
    void showCabinet();
    // The byte a knob edits: its normal byte, + 1 while its Alt set is shown.
    int knobByte(const KnobRow &row) const;
    bool altShown(preset::Dual section) const;
    void run(const std::function<void()> &body);

    PresetEditor &editor_;
    AmpGlobals &globals_;
    CommandQueue &queue_;
    TapTempo tap_;
    QWidget *panelBox_ = nullptr;
    QWidget *contents_ = nullptr;
    std::vector<NumberKnob *> knobs_; // by knob row
    std::vector<QCheckBox *> checks_; // by check row
    std::array<QCheckBox *, preset::DualCount> altBoxes_{};
    std::array<QGridLayout *, 8> grids_{};
    // Entries of the lists for the firmware in use; any further entry is an
    // "Unknown (n)" that shows a value the lists do not know.
    int modelEntries_ = preset::SlotCount;
    int modulationEntries_ = 6;
    // The context of every connection to the controls and the editor:
    // destroyed first, so nothing reaches a handler while the panel goes.
    QObject binder_;
};

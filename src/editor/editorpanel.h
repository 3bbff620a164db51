#pragma once

#include "model/deviceimage.h"
#include "model/editorstate.h"
#include "protocol/ampviews.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class AmpSender;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class TTabControl;
class TNxKnob;
class TNxNumberKnob;

// The editor panel: shows the current slot's record and sends every change
// to the Amp the moment it is made. Loading from the record runs under the
// loading guard, so the controls' own handlers send nothing then.
class EditorPanel : public QWidget, public PanelView {
    Q_OBJECT
public:
    EditorPanel(DeviceImage &image, EditorState &state, AmpSender &sender, QWidget *parent = nullptr);
    ~EditorPanel() override;

    // Runs a handler body; the owner shows what it throws. Unset, errors
    // are only logged.
    std::function<void(const std::function<void()> &)> Run;
    // The view's menu items outside the panel ("Save Current Tab" and the
    // like); called by SetView before the view is stored.
    std::function<void(bool group)> OnViewItems;
    // Milliseconds from a monotonic clock, for the tap measurement.
    std::function<qint64()> Clock;

    // PanelView, for the Amp's own changes.
    void reloadFromCurrentSlot() override { LoadPanel(); }
    void showGlobalCabinet(bool on, int item) override;

    void LoadPanel();
    void SetView(EditorState::View view);
    // Selects a tab without the slot switch (no load, nothing sent).
    void SelectSlotQuietly(int slot);
    // The amp model and cabinet lists lose their "(2.0)" entries, and the
    // modulation list its octaver, below firmware 1.8; the global cabinet
    // override is then unavailable.
    void AdaptToFirmware(std::uint8_t version);

    // Positions of the panel box below the top of the editor area.
    static constexpr int SingleTop = 14;
    static constexpr int GroupTop = 28;
    QWidget *PanelBox() const { return panelBox_; }
    QSize sizeHint() const override;

    // GlobalRecord byte of the cabinet override: 0, or cabinet + 1.
    static constexpr int GlobalCabinet = 13;

    // The dual sections, in the order load panel shows them.
    enum Section { Preamp, Modulation, Delay, Reverb };
    struct DualSection {
        std::vector<TNxNumberKnob *> knobs;
        std::vector<int> normalBytes;
        Field flag;
        QCheckBox *altBox = nullptr;
    };
    void ShowActiveSet(Section s);

    // Knob colours (Windows colour values, 0x00BBGGRR).
    static constexpr std::uint32_t Maroon = 0x000080, Red = 0x0000FF, Green = 0x008000, Lime = 0x00FF00,
                                   Olive = 0x008080, Yellow = 0x00FFFF, Teal = 0x808000, Silver = 0xC0C0C0,
                                   White = 0xFFFFFF, Black = 0x000000, Gray = 0x808080, Navy = 0x800000;

    // Handlers.
    void TabControl1Change();
    void ComboBoxAmpChange();
    void ComboBoxCabChange();
    void CheckBoxGCabClick();
    void ComboBoxModChange();
    void CheckBoxPadClick();
    void CheckBoxBrightClick();
    void RadioGroupChunkClick();
    void RadioGroupPresClick();
    void RadioGroupResClick();
    void NxNumberKnobShiftChanged(TNxKnob *sender);
    void NxNumberKnobPreChanged(TNxKnob *sender);
    void NxNumberKnobLowChanged(TNxKnob *sender);
    void NxNumberKnobMidChanged(TNxKnob *sender);
    void NxNumberKnobHighChanged(TNxKnob *sender);
    void NxNumberKnobPostChanged(TNxKnob *sender);
    void NxNumberKnobReverbChanged(TNxKnob *sender);
    void NxNumberKnobRateChanged(TNxKnob *sender);
    void NxNumberKnobDepthChanged(TNxKnob *sender);
    void NxNumberKnobDLFeedbackChanged(TNxKnob *sender);
    void NxNumberKnobDLLevelChanged(TNxKnob *sender);
    void NxNumberKnobFlangerFBChanged(TNxKnob *sender);
    void NxNumberKnobFlangerDTChanged(TNxKnob *sender);
    void TimerFlangeKlugeTimer();
    void UpdateFlangerKnobs();

    void CheckBoxBoostClick();
    void CheckBoxReverbClick();
    void CheckBoxModClick();
    void CheckBoxDelayClick();
    void SyncBoostClick();
    void SyncReverbClick();
    void SyncModClick();
    void SyncDelayClick();
    void BoostAllTabs1Click();
    void UnboostAllTabs1Click();
    void RestoreBoostSettings1Click();

    void NxNumberKnobDLTimeChanged(TNxKnob *sender);
    void NxNumberKnobDLScaleChanged(TNxKnob *sender);
    void NxNumberKnobDLSeparationChanged(TNxKnob *sender);
    void CheckBoxDarkClick();
    void ComboBoxTapChange();
    void BitBtnExecClick();
    void BitBtnTapClick();
    void TimerTapTimer();
    void UpdateDelayTimeLabel();

    // The boost snapshot of the tab commands.
    bool boostSnapshotArmed() const { return snapshotArmed_; }
    bool tapArmed() const { return tapArmed_; }

    // Controls.
    TTabControl *TabControl1;
    QMenu *PopupMenuTabs;
    QAction *BoostAllTabs1, *UnboostAllTabs1, *RestoreBoostSettings1;

    QGroupBox *GroupBoxModel;
    QComboBox *ComboBoxAmp, *ComboBoxCab;
    QCheckBox *CheckBoxGCab, *CheckBoxPad, *CheckBoxBright;
    QGroupBox *RadioGroupChunk, *RadioGroupPres, *RadioGroupRes;
    QButtonGroup *ChunkButtons, *PresButtons, *ResButtons;
    TNxNumberKnob *NxNumberKnobShift;

    QGroupBox *GroupBoxPreamp;
    TNxNumberKnob *NxNumberKnobPre, *NxNumberKnobLow, *NxNumberKnobMid, *NxNumberKnobHigh, *NxNumberKnobPost;
    QCheckBox *CheckBoxBoost;
    QMenu *PopupMenuPreamp;
    QAction *SyncBoost;

    QGroupBox *GroupBoxReverb;
    TNxNumberKnob *NxNumberKnobReverb;
    QCheckBox *CheckBoxReverb;
    QMenu *PopupMenuReverb;
    QAction *SyncReverb;

    QGroupBox *GroupBoxModType;
    QComboBox *ComboBoxMod;
    TNxNumberKnob *NxNumberKnobFlangerDT, *NxNumberKnobFlangerFB;
    QTimer TimerFlangeKluge;

    QGroupBox *GroupBoxMod;
    TNxNumberKnob *NxNumberKnobRate, *NxNumberKnobDepth;
    QCheckBox *CheckBoxMod;
    QMenu *PopupMenuMod;
    QAction *SyncMod;

    QGroupBox *GroupBoxDelay;
    TNxNumberKnob *NxNumberKnobDLFeedback, *NxNumberKnobDLLevel;
    QCheckBox *CheckBoxDelay;
    QMenu *PopupMenuDelay;
    QAction *SyncDelay;

    QGroupBox *GroupBoxDelayS;
    TNxNumberKnob *NxNumberKnobDLTime, *NxNumberKnobDLScale, *NxNumberKnobDLSeparation;
    QCheckBox *CheckBoxDark;
    QPushButton *BitBtnTap;
    QLabel *StaticText22;
    QTimer TimerTap;

    QGroupBox *GroupBoxTapFn;
    QComboBox *ComboBoxTap;
    QLabel *LabelTapFn;
    QPushButton *BitBtnExec;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildModel();
    void buildDualSections();
    void buildModulationType();
    void buildDelayTime();
    void buildTapFunction();
    void buildTabs();
    void layoutPanel();
    void call(const std::function<void()> &body);
    TNxNumberKnob *makeKnob(QGroupBox *box, class QGridLayout *grid, int column, const char *name,
                            const QString &caption, int min, int max, std::uint32_t colour,
                            void (EditorPanel::*handler)(TNxKnob *));
    // Runs handler, through Run, whenever sender emits signal. Check boxes
    // changed from code run their handler too: loading relies on the guard,
    // the boost commands on the handler.
    template <class Sender, class Signal>
    void on(Sender *sender, Signal signal, void (EditorPanel::*handler)())
    {
        connect(sender, signal, this, [this, handler] { call([this, handler] { (this->*handler)(); }); });
    }
    void onRadio(QButtonGroup *group, void (EditorPanel::*handler)());

    std::span<std::uint8_t, preset::RecordSize> record();
    int slot() const { return state_.currentSlot(); }
    // The byte a dual knob edits: its normal byte, + 1 while its Alt set is shown.
    int dualByte(Section s, int normal) const;
    void writeKnob(TNxKnob *sender, int index);
    void writeDualKnob(TNxKnob *sender, Section s, int normal);
    void sendByte(int index);
    void sendField(Field f);
    void selectRadio(QButtonGroup *group, int item);
    void altBoxClick(Section s);
    void copyToOther(Section s);
    void boostAll(bool on);
    // Puts knob-clamped values back into the record, so the record holds what
    // the panel shows.
    void writeBackClamped();

    DeviceImage &image_;
    EditorState &state_;
    AmpSender &sender_;
    QWidget *panelBox_ = nullptr;
    QWidget *contents_ = nullptr;
    std::array<DualSection, 4> sections_;
    std::vector<TNxKnob *> knobs_;

    bool snapshotArmed_ = true;
    std::array<bool, preset::SlotCount> snapshot_{};

    bool tapArmed_ = false;
    qint64 tapFirst_ = 0;
};

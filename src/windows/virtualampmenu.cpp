// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/virtualampmenu.h"

#include "ampsim/builtinampbackend.h"
#include "ampsim/virtualamppresets.h"
#include "model/presetrecord.h"
#include "session/prompter.h"

#include <QActionGroup>

VirtualAmpMenu::VirtualAmpMenu(BuiltInAmpBackend &backend, Prompter &prompter, QWidget *parent)
    : QMenu(QStringLiteral("Virtual &Amp"), parent), backend_(backend), prompter_(prompter)
{
    setObjectName(QStringLiteral("VirtualAmp1"));
    StepToPreset1 = addAction(QStringLiteral("Step to Preset..."));
    StepToPreset1->setObjectName(QStringLiteral("StepToPreset1"));
    TurnKnob1 = addAction(QStringLiteral("Turn a Knob"));
    TurnKnob1->setObjectName(QStringLiteral("TurnKnob1"));
    addSeparator();
    Firmware1 = addMenu(QStringLiteral("Firmware"));
    Firmware1->setObjectName(QStringLiteral("Firmware1"));
    Firmware14G = Firmware1->addAction(QStringLiteral("1.4 G"));
    Firmware14G->setObjectName(QStringLiteral("Firmware14G"));
    Firmware20 = Firmware1->addAction(QStringLiteral("2.0"));
    Firmware20->setObjectName(QStringLiteral("Firmware20"));
    auto *firmware = new QActionGroup(this);
    firmware->setExclusive(true);
    for (QAction *item : {Firmware14G, Firmware20}) {
        item->setCheckable(true);
        firmware->addAction(item);
        std::uint8_t byte = 0;
        VirtualAmpDriver::firmwareByte(item->text(), byte);
        item->setChecked(byte == backend_.amp().versionByte);
    }
    Firmware1->setToolTipsVisible(true);
    Firmware1->menuAction()->setToolTip(QStringLiteral("Reported at the next Sync with Amp"));

    connect(StepToPreset1, &QAction::triggered, this, &VirtualAmpMenu::StepToPreset1Click);
    connect(TurnKnob1, &QAction::triggered, this, &VirtualAmpMenu::TurnKnob1Click);
    connect(firmware, &QActionGroup::triggered, this, &VirtualAmpMenu::FirmwareClick);
    connect(&backend_, &BuiltInAmpBackend::usageChanged, this, &VirtualAmpMenu::showUsage);
    showUsage();
}

void VirtualAmpMenu::StepToPreset1Click()
{
    QStringList names;
    for (int s = 0; s < preset::SlotCount; ++s)
        names << preset::slotName(s) + QStringLiteral("  ") + virtualamppresets::all()[std::size_t(s)].name;
    const int slot = prompter_.chooseItem(QStringLiteral("Step to Preset"),
                                          QStringLiteral("The virtual Amp steps to its user preset:"), names,
                                          backend_.amp().currentSlot);
    if (slot >= 0 && slot < preset::SlotCount)
        backend_.driver().stepToPreset(slot);
}

void VirtualAmpMenu::TurnKnob1Click() { backend_.driver().turnSomeKnob(); }

void VirtualAmpMenu::FirmwareClick(QAction *item)
{
    // The Amp tells its version when asked, at the next sync.
    std::uint8_t byte = 0;
    if (VirtualAmpDriver::firmwareByte(item->text(), byte))
        backend_.amp().versionByte = byte;
}

void VirtualAmpMenu::showUsage() { menuAction()->setVisible(backend_.inUse()); }

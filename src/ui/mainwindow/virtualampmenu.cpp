// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/virtualampmenu.h"

#include "ampsim/builtinampbackend.h"
#include "ampsim/virtualamppresets.h"
#include "model/presetrecord.h"
#include "session/prompter.h"

#include <QActionGroup>

VirtualAmpMenu::VirtualAmpMenu(BuiltInAmpBackend &backend, Prompter &prompter, QWidget *parent)
    : QMenu(tr("Virtual &Amp"), parent), backend_(backend), prompter_(prompter)
{
    setObjectName(QStringLiteral("VirtualAmp1"));
    stepToPresetAction = addAction(tr("&Step to Preset..."));
    stepToPresetAction->setObjectName(QStringLiteral("StepToPreset1"));
    turnKnobAction = addAction(tr("&Turn a Knob"));
    turnKnobAction->setObjectName(QStringLiteral("TurnKnob1"));
    addSeparator();
    firmwareMenu = addMenu(tr("&Firmware"));
    firmwareMenu->setObjectName(QStringLiteral("Firmware1"));
    Firmware14G = firmwareMenu->addAction(QStringLiteral("&1.4 G"));
    Firmware14G->setObjectName(QStringLiteral("Firmware14G"));
    Firmware20 = firmwareMenu->addAction(QStringLiteral("&2.0"));
    Firmware20->setObjectName(QStringLiteral("Firmware20"));
    auto *firmware = new QActionGroup(this);
    firmware->setExclusive(true);
    for (QAction *item : {Firmware14G, Firmware20}) {
        item->setCheckable(true);
        firmware->addAction(item);
        std::uint8_t byte = 0;
        VirtualAmpDriver::firmwareByte(QString(item->text()).remove(QLatin1Char('&')), byte);
        item->setChecked(byte == backend_.amp().versionByte);
    }
    firmwareMenu->setToolTipsVisible(true);
    firmwareMenu->menuAction()->setToolTip(tr("Reported at the next Sync with Amp"));

    connect(stepToPresetAction, &QAction::triggered, this, &VirtualAmpMenu::stepToPreset);
    connect(turnKnobAction, &QAction::triggered, this, &VirtualAmpMenu::turnKnob);
    connect(firmware, &QActionGroup::triggered, this, &VirtualAmpMenu::chooseFirmware);
    connect(&backend_, &BuiltInAmpBackend::usageChanged, this, &VirtualAmpMenu::showUsage);
    showUsage();
}

void VirtualAmpMenu::stepToPreset()
{
    QStringList names;
    for (int s = 0; s < preset::SlotCount; ++s)
        names << preset::slotName(s) + QStringLiteral("  ") + virtualamppresets::all()[std::size_t(s)].name;
    const int slot = prompter_.chooseItem(tr("Step to Preset"), tr("The virtual Amp steps to its user preset:"), names,
                                          backend_.amp().currentSlot);
    if (slot >= 0 && slot < preset::SlotCount)
        backend_.driver().stepToPreset(slot);
}

void VirtualAmpMenu::turnKnob()
{
    backend_.driver().turnSomeKnob();
}

void VirtualAmpMenu::chooseFirmware(QAction *item)
{
    // The Amp tells its version when asked, at the next sync.
    std::uint8_t byte = 0;
    if (VirtualAmpDriver::firmwareByte(QString(item->text()).remove(QLatin1Char('&')), byte))
        backend_.amp().versionByte = byte;
}

void VirtualAmpMenu::showUsage()
{
    menuAction()->setVisible(backend_.inUse());
}

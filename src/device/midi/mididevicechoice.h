// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The devices a port component offers and which one is chosen. When the
// list is read again the choice follows its device by name; a chosen device
// that is absent is remembered (name and number), so the settings keep it
// and it is chosen again once it is back.
class MidiDeviceChoice {
public:
    static constexpr int MaxDevices = 12;

    const QStringList &names() const { return names_; }
    int count() const { return int(names_.size()); }
    // Takes a fresh device list; devices beyond the twelfth are not listed.
    void setNames(const QStringList &names);

    int port() const { return port_; }
    // Ignored (false) when n is not below count(); -1 chooses none.
    bool setPort(int n);
    // A device chosen earlier that the list lacks now: none is chosen, the
    // device is remembered.
    void remember(int index, const QString &name);
    bool remembers() const { return rememberedIndex_ >= 0; }

    // What the settings keep: the chosen device, else the remembered one.
    int storedPort() const { return port_ < 0 && remembers() ? rememberedIndex_ : port_; }
    QString storedName() const;

    // Which device to use at start: the stored name wins over a stored index
    // that now names another device. -1 when there is none.
    static int preferredPort(const QStringList &devices, int storedIndex, const QString &storedName);

private:
    QStringList names_;
    int port_ = 0;
    QString chosenName_;
    int rememberedIndex_ = -1;
    QString rememberedName_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The program's settings as kept in section "Form" of the INI file.
struct FormSettings {
    bool viewToolBar = true;
    bool autoSplit = false;
    int midiInPort = -1;
    int midiOutPort = -1;
    // Names of the chosen devices: the device order changes when an
    // interface is plugged in or out, so the name finds the device again.
    QString midiInName;
    QString midiOutName;
    int state = 0; // 0 normal, 1 minimised, 2 maximised
    int height = 0;
    int width = 0;
    int split = 0;
    QString dataDir;
    // Fetch the Amp's presets into a backup file before writing over them.
    bool backupBeforeWrite = true;
    // Bytes a second sent to the output device: a MIDI cable carries 3125;
    // a virtual port may take more. 0 sends as fast as the port takes them.
    int midiOutRate = 3125;
};

// Reads and writes the INI file. The file is opened for each use and closed
// right after; nothing keeps it open.
class Settings {
public:
    static constexpr int MaxTextLength = 2047;

    explicit Settings(QString path);
    const QString &path() const { return path_; }

    // Values missing from the file, or not readable as their type, keep the
    // ones in defaults.
    FormSettings read(const FormSettings &defaults) const;
    // False when the file could not be written.
    bool write(const FormSettings &values) const;

    // <program>.INI beside the program when that folder is writable (and not
    // an installed program's) or the file is already there, else the same
    // name in the per-user folder.
    static QString defaultPath();
    static QString pathFor(const QString &programFile, const QString &userConfigDir);

    // Decimal, or hexadecimal after 0x / 0X; false when the text is neither.
    static bool parseInteger(const QString &text, int &value);

private:
    QString path_;
};

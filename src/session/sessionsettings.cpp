// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/sessionsettings.h"

#include "session/session.h"
#include "session/settings.h"

#include <QDir>
#include <QFileInfo>

namespace sessionsettings {

void apply(Session &session, const FormSettings &s, const QString &settingsPath, const QString &startFolder)
{
    MidiInPort &in = session.link().midiIn();
    MidiOutPort &out = session.link().midiOut();
    in.setPort(MidiDeviceChoice::preferredPort(in.deviceNames(), s.midiInPort, s.midiInName));
    out.setPort(MidiDeviceChoice::preferredPort(out.deviceNames(), s.midiOutPort, s.midiOutName));
    // A device that is away this time stays the choice for the next start.
    if (in.port() < 0 && s.midiInPort >= 0 && !s.midiInName.isEmpty())
        in.rememberDevice(s.midiInPort, s.midiInName);
    if (out.port() < 0 && s.midiOutPort >= 0 && !s.midiOutName.isEmpty())
        out.rememberDevice(s.midiOutPort, s.midiOutName);
    out.setRate(s.midiOutRate);

    // A directory that cannot be entered leaves the list where it is.
    Document &doc = session.document();
    doc.setWorkingDirectory(s.dataDir.isEmpty() ? startFolder : s.dataDir);
    doc.setOpenDialogDirectory(doc.workingDirectory());
    doc.setSaveDialogDirectory(doc.workingDirectory());

    session.writes().setBackupBeforeWrite(s.backupBeforeWrite);
    // Beside the settings, which are the user's own.
    session.backups().setFolder(QFileInfo(settingsPath).dir().filePath(QStringLiteral("backups")));
}

void store(Session &session, FormSettings &s)
{
    const MidiInPort &in = session.link().midiIn();
    const MidiOutPort &out = session.link().midiOut();
    s.midiInPort = in.storedPort();
    s.midiOutPort = out.storedPort();
    s.midiInName = in.storedName();
    s.midiOutName = out.storedName();
    s.midiOutRate = out.rate();
    s.dataDir = session.document().workingDirectory();
    s.backupBeforeWrite = session.writes().backupBeforeWrite();
}

} // namespace sessionsettings

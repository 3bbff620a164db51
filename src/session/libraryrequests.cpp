// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/libraryrequests.h"

#include "library/presetmorph.h"
#include "model/presetparams.h"
#include "protocol/ampmessages.h"
#include "session/session.h"

#include <algorithm>

namespace libraryrequests {

void open(Session &session, const QString &path, int slot)
{
    session.files().askToSave();
    session.files().openNamed(path, slot);
}

void hear(Session &session, const preset::Record &record)
{
    preset::Record valid = record;
    presetparams::makeValid(valid);
    session.link().send(amp::singlePreset(valid));
}

void hearChange(Session &session, const preset::Record &from, const preset::Record &to)
{
    for (const amp::Bytes &m : presetmorph::messages(from, to))
        session.link().send(m);
}

preset::Record currentRecord(Session &session)
{
    preset::Record r;
    std::ranges::copy(session.editor().record(), r.begin());
    return r;
}

QString currentName(Session &session)
{
    const QString name = session.document().titleName();
    const PresetEditor &editor = session.editor();
    return editor.isGroupView() ? name + QLatin1Char(' ') + preset::slotName(editor.currentSlot()) : name;
}

std::pair<QString, int> currentFile(Session &session)
{
    const PresetEditor &editor = session.editor();
    return {session.document().filePath(), editor.isGroupView() ? editor.currentSlot() : -1};
}

} // namespace libraryrequests

// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/sendtargets.h"

std::int64_t SendTargets::replaceable(const Target &target, std::int64_t oldest) const
{
    if (target.kind != Target::Kind::Place)
        return -1;
    const auto found = last_.find(target.place);
    if (found == last_.end())
        return -1;
    const Last &last = found->second;
    if (last.part != target.part || last.position < oldest || last.position < barrier_)
        return -1;
    return last.position;
}

void SendTargets::queued(const Target &target, std::int64_t position)
{
    switch (target.kind) {
    case Target::Kind::Nothing: return;
    case Target::Kind::Everything: barrier_ = position; return;
    case Target::Kind::Place: last_[target.place] = {position, target.part}; return;
    }
}

void SendTargets::clear()
{
    last_.clear();
    barrier_ = -1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the virtual Amp; its replies must be well formed.
#include "ampsim/virtualamp.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static VirtualAmp amp;
    std::vector<std::uint8_t> message(data, data + size);
    for (const auto &reply : amp.receive(message.data(), message.size())) {
        if (!amp::hasAmpHeader(reply.data(), reply.size()) || reply.back() != 0xF7)
            std::abort();
        for (std::size_t i = 1; i + 1 < reply.size(); ++i)
            if (reply[i] >= 0x80)
                std::abort(); // a data byte with the top bit set would break the MIDI stream
    }
    return 0;
}

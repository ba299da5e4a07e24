// Melody and ring-signal operations of CPhoneLink.
#include <algorithm>

#include "atparse.h"
#include "phonelink.h"

bool CPhoneLink::ReadMelodies() {
    std::string reply;
    if (!Transact("AT*ESOM?", reply))
        return false;
    m_melodies.clear();
    for (auto& melody : parseEsomListing(reply))
        m_melodies.push_back(std::make_unique<MelodyEntry>(std::move(melody)));
    return true;
}

bool CPhoneLink::WriteMelody(MelodyEntry* entry, std::string_view text) {
    if (!entry || std::none_of(m_melodies.begin(), m_melodies.end(),
                               [&](const auto& m) { return m.get() == entry; }))
        return Fail(LinkErrorKind::InvalidInput, "the melody is not in the melody list");
    // The notation is plain ASCII; anything else, a quote or a line end would reach the phone
    // as something other than what the user typed.
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E || c == '"')
            return Fail(LinkErrorKind::InvalidInput,
                        "a melody may hold only printable ASCII characters and no double quotes");
    if (!Transact("AT*ESOM=" + std::to_string(entry->index) + ",\"" + std::string(text) + "\",0"))
        return false;
    entry->text = std::string(text);
    return true;
}

bool CPhoneLink::PlayMelody(int level, int sound) {
    return Transact("AT*ERIP=" + std::to_string(level) + "," + std::to_string(sound));
}

bool CPhoneLink::SetDefaultMelody(int sound) {
    return Transact("AT*ERIN=" + std::to_string(sound));
}

// Melody and ring-signal operations of CPhoneLink.
#include <algorithm>

#include "atparse.h"
#include "phonelink.h"

bool CPhoneLink::ReadMelodies() {
    if (!EnsureSession())
        return false;
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
    if (!EnsureSession())
        return false;
    std::string head = "AT*ESOM=" + std::to_string(entry->index) + ",\"" + std::string(text) + "\"";
    bool written = Transact(head + ",0");
    // Some phones take only the two-field form.
    if (!written && IsPhoneRefusal(m_lastError))
        written = Transact(head);
    if (!written) {
        if (IsPhoneRefusal(m_lastError))
            return false;
        // The phone may have taken the text before its answer was lost: the record takes what
        // the phone now holds.
        LinkError lost = m_lastError;
        std::string reply;
        if (lost.kind != LinkErrorKind::ConnectionLost && Transact("AT*ESOM?", reply)) {
            for (auto& melody : parseEsomListing(reply))
                if (melody.index == entry->index)
                    entry->text = melody.text;
            m_lastError = lost;
            return false;
        }
        m_lastError = lost;
        m_lastError.text += "; the melody list may differ from the phone and is read again next time";
        return false;
    }
    entry->text = std::string(text);
    return true;
}

bool CPhoneLink::PlayMelody(int level, int sound) {
    return EnsureSession() && Transact("AT*ERIP=" + std::to_string(level) + "," + std::to_string(sound));
}

bool CPhoneLink::SetDefaultMelody(int sound) {
    return EnsureSession() && Transact("AT*ERIN=" + std::to_string(sound));
}

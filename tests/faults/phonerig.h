#pragma once
// The emulated phone on a pty that can be dialled again after its line dropped, with a link
// whose waits are short, and comparisons of the link's lists with the phone's state.
#include <memory>
#include <string>

#include "phonelink/phonelink.h"
#include "phonesim/phone.h"
#include "phonesim/server.h"

namespace faults {

// Small storages keep every read short; the names hold a Latin-1 letter so a wrong character
// set would show up in the comparison.
phonesim::PhoneState SmallState();

// Waits short enough that a silent phone costs little, long enough for the emulated phone that
// answers at once (even in random chunks with gaps of up to 2 ms).
constexpr int kIdleMs = 400;
constexpr int kOverallMs = 10000;

class PhoneRig {
public:
    explicit PhoneRig(phonesim::PhoneState state = SmallState(), phonesim::ServeOptions options = {});

    // A new link on the current line.
    std::unique_ptr<CPhoneLink> Connect();
    // Serves the same phone on a new pty, as a phone whose line dropped and came back.
    void Redial();

    std::shared_ptr<phonesim::Phone> phone;
    std::unique_ptr<phonesim::PtyPhone> line;

private:
    phonesim::ServeOptions m_options;
};

// Compares every record field by field. A storage the link could not read must be empty and
// carry its reason; it is not compared. After a read that failed as a whole (`readFailed`), an
// empty list stands for "not read" too.
void ExpectPhonebookMatches(const CPhoneLink& link, const phonesim::PhoneState& state, bool readFailed = false);
void ExpectMelodiesMatch(const CPhoneLink& link, const phonesim::PhoneState& state);

// Reads everything on a fresh link and compares it with the phone. The pty takes one program at
// a time, so the old link must be gone.
void ExpectFreshLinkMatches(PhoneRig& rig);

} // namespace faults

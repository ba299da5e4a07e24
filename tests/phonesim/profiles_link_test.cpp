// The phone link against every dialect profile of the emulated phone: the phone book and the
// melodies are read either exactly as the phone holds them, or the link says why not. A
// profile never leaves the link with lists that differ from the phone, a hang or a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "phonelink/charset.h"
#include "phonelink/phonelink.h"
#include "phonesim/charset.h"
#include "phonesim/dialect.h"
#include "phonesim/phone.h"
#include "phonesim/server.h"

namespace {

class LinkAgainstProfile : public testing::TestWithParam<std::string> {};

TEST_P(LinkAgainstProfile, ReadsWhatThePhoneHoldsOrSaysWhy) {
    auto phone = phonesim::Phone::Create(phonesim::PhoneState::Demo());
    phone->SetDialect(*phonesim::FindDialect(GetParam()));
    phonesim::PtyPhone pty(phone);
    std::string error;
    ASSERT_TRUE(pty.Start(&error)) << error;
    CPhoneLink link(CPhoneLink::DevicePath{pty.DevicePath()});
    link.SetTimeouts(500, 20000, 500);

    const bool bookRead = link.ReadPhonebook();
    const phonesim::PhoneState state = phone->Snapshot();
    if (bookRead && !link.LastError()) {
        EXPECT_EQ(link.SimEntries().size(), state.sim.entries.size());
        EXPECT_EQ(link.PhoneEntries().size(), state.memory.entries.size());
        // Each name reads exactly as the phone sends it in the set the link chose. A phone that
        // knows only the GSM alphabet sends '?' for a letter outside it (i-acute, c-cedilla):
        // that is the phone's loss, and the link shows what the phone has.
        for (const auto& e : link.PhoneEntries()) {
            const phonesim::PhonebookRecord& held = state.memory.entries.at(e->position);
            EXPECT_EQ(e->number, held.number) << e->position;
            EXPECT_EQ(e->name, FromPhoneText(phonesim::StoredToLine(held.name, state.charset), link.CurrentCharset()))
                << e->position;
        }
    } else {
        EXPECT_FALSE(link.LastError().text.empty()) << "a failed read gives a reason";
    }
    const bool melodiesRead = link.ReadMelodies();
    if (melodiesRead && !link.LastError()) {
        ASSERT_EQ(link.Melodies().size(), state.melodies.size());
        for (size_t i = 0; i < state.melodies.size(); ++i)
            EXPECT_EQ(link.Melodies()[i]->text, state.melodies[i].text);
    } else {
        EXPECT_FALSE(link.LastError().text.empty());
    }
    // The standard phone is read whole, and so is a modem left with numeric result codes.
    if (GetParam() == "standard" || GetParam() == "numeric") {
        EXPECT_TRUE(bookRead && melodiesRead) << link.LastError().text;
    }
    std::printf("profile %s: phone book %s, melodies %s\n", GetParam().c_str(),
                bookRead ? "read" : "failed", melodiesRead ? "read" : "failed");
}

std::vector<std::string> ProfileNames() {
    std::vector<std::string> names;
    for (const phonesim::Dialect& d : phonesim::Dialects())
        names.push_back(d.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Dialects, LinkAgainstProfile, testing::ValuesIn(ProfileNames()),
                         [](const testing::TestParamInfo<std::string>& i) {
                             std::string name = i.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace

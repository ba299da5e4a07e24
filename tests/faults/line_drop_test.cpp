// The line dropping at the two worst moments: in the middle of a phone book listing and in the
// middle of a message after the phone asked for it.
#include <gtest/gtest.h>

#include <chrono>

#include "cuttingline.h"
#include "phonerig.h"

namespace faults {
namespace {

using phonesim::FaultAction;

class ListingDrop : public ::testing::TestWithParam<uint32_t> {};

// A chunk of the phone-memory listing of the demo phone runs to a few kilobytes, so half of it
// ends inside a record; the SIM before it was read whole. The chunks of phone memory read before
// the cut are not shown either: the storage is left unread with its reason.
TEST_P(ListingDrop, KeepsWhatWasReadWholeAndNoPartOfTheRest) {
    phonesim::ServeOptions options;
    options.randomChunks = true;
    options.seed = GetParam();
    PhoneRig rig(phonesim::PhoneState::Demo(), options);
    const auto state = rig.phone->Snapshot();
    // A chunk only the larger phone memory has.
    ASSERT_LE(state.sim.size, 300);
    ASSERT_GE(state.memory.size, 400);
    rig.phone->AddFault({"AT+CPBR=301,400", FaultAction::DropMidReply, 0, 1});

    auto link = rig.Connect();
    EXPECT_FALSE(link->ReadPhonebook());
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::ConnectionLost);
    EXPECT_FALSE(link->SimEntries().empty());
    EXPECT_TRUE(link->PhoneEntries().empty()) << "records from a cut listing were kept";
    ExpectPhonebookMatches(*link, state, true);
    link.reset();
    ExpectFreshLinkMatches(rig);
}

INSTANTIATE_TEST_SUITE_P(Chunked, ListingDrop, ::testing::Values(1u, 2u, 3u));

TEST(MessageDrop, MidPduFailsAndNothingIsSent) {
    auto phone = phonesim::Phone::Create(SmallState());
    CuttingLine line(phone, CuttingLine::Mode::CutMidMessage);
    std::string error;
    ASSERT_TRUE(line.Start(&error)) << error;
    CPhoneLink link(CPhoneLink::DevicePath{line.DevicePath()});
    link.SetTimeouts(kIdleMs, kOverallMs, 60000); // a long result wait: the drop must end it, not a time-out

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.SendSms("A message long enough to span a few reads of the line", "+46701234"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(line.Cut()) << "the phone never asked for the message";
    EXPECT_EQ(link.LastError().kind, LinkErrorKind::ConnectionLost) << link.LastError().text;
    EXPECT_FALSE(link.LastError().text.empty());
    EXPECT_EQ(link.LastMessageReference(), -1);
    EXPECT_TRUE(phone->Snapshot().sent.empty());

    // The phone itself is fine: on a new line the same message goes.
    PhoneRig again(phone->Snapshot());
    auto fresh = again.Connect();
    ASSERT_TRUE(fresh->SendSms("After the drop", "+46701234")) << fresh->LastError().text;
    EXPECT_EQ(again.phone->Snapshot().sent.size(), 1u);
}

// A phone left waiting for a message would take every later command as part of it.
TEST(MessagePrompt, LostPromptDoesNotLeaveThePhoneWaitingForTheMessage) {
    auto phone = phonesim::Phone::Create(SmallState());
    CuttingLine line(phone, CuttingLine::Mode::LosePrompt);
    std::string error;
    ASSERT_TRUE(line.Start(&error)) << error;
    CPhoneLink link(CPhoneLink::DevicePath{line.DevicePath()});
    link.SetTimeouts(kIdleMs, kOverallMs, kIdleMs);

    EXPECT_FALSE(link.SendSms("Never asked for", "+46701234"));
    EXPECT_TRUE(line.PromptLost());
    EXPECT_EQ(link.LastError().kind, LinkErrorKind::NoAnswer) << link.LastError().text;
    EXPECT_FALSE(link.LastError().text.empty());

    ASSERT_TRUE(link.ReadMelodies()) << link.LastError().text;
    ExpectMelodiesMatch(link, phone->Snapshot());
    ASSERT_TRUE(link.SendSms("Asked for", "+46701234")) << link.LastError().text;
    const auto sent = phone->Snapshot().sent;
    ASSERT_EQ(sent.size(), 1u) << "the abandoned message went out";
    EXPECT_EQ(sent[0].text, "Asked for");
}

} // namespace
} // namespace faults

// Reading, deleting and watching the emulated phone's messages through the link.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "phonelink/smsdecode.h"
#include "phonesim/smsencode.h"
#include "simphone.h"

namespace {

using phonesim::FaultAction;
using phonesim::MessageStatus;

std::string Deliver(const std::string& from, const std::string& text) {
    phonesim::DeliverSpec delivery;
    delivery.originator = from;
    delivery.time = 1796000000;
    return phonesim::EncodeDeliverParts(delivery, text, 1).front();
}

// Three messages on the SIM (one read), two in the phone memory (one a stored SUBMIT).
phonesim::PhoneState Stocked() {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.smsSim.size = 10;
    state.smsSim.messages[1] = {MessageStatus::ReceivedUnread, Deliver("+4917012345", "first")};
    state.smsSim.messages[2] = {MessageStatus::ReceivedRead, Deliver("+4917012345", "second")};
    state.smsSim.messages[7] = {MessageStatus::ReceivedUnread, Deliver("0301234", "seventh")};
    state.smsMemory.messages[3] = {MessageStatus::ReceivedRead, Deliver("+4411", "in memory")};
    state.smsMemory.messages[4] = {MessageStatus::StoredUnsent,
                                   phonesim::EncodeSubmit("", "+4411", 145, 17, 0, 167, "draft")};
    return state;
}

int Count(const std::vector<std::string>& log, const std::string& line) {
    return static_cast<int>(std::count(log.begin(), log.end(), line));
}

TEST(SmsRead, BothStoragesOneListingEachAndTheReadingStorageSetBack) {
    const phonesim::PhoneState state = Stocked();
    SimPhone sim(state, SimPhone::Chunked(5));
    auto link = sim.Connect();
    ASSERT_TRUE(link->ReadSms()) << link->LastError().text;
    std::vector<StoredSms> want;
    for (auto [storage, messages] :
         {std::pair{"SM", &state.smsSim}, std::pair{"ME", &state.smsMemory}})
        for (const auto& [index, m] : messages->messages)
            want.push_back({storage, index, static_cast<int>(m.status),
                            phonesim::TpduLength(m.pduHex), m.pduHex});
    EXPECT_EQ(link->StoredMessages(), want);
    ASSERT_EQ(link->SmsStorageReads().size(), 2u);
    EXPECT_EQ(link->SmsStorageReads()[0].use, (SmsStorageUse{"SM", 3, 10}));
    EXPECT_EQ(link->SmsStorageReads()[1].use, (SmsStorageUse{"ME", 2, 100}));

    auto log = sim.phone->CommandLog();
    EXPECT_EQ(Count(log, "AT+CMGL=4"), 2);
    EXPECT_EQ(Count(log, "AT+CMGR=1"), 0) << "no read per message";
    EXPECT_EQ(log.back(), "AT+CPMS=\"SM\"") << "the phone reads from the SIM again, as before";
    EXPECT_EQ(sim.phone->Snapshot().smsStorages[0], "SM");

    ASSERT_TRUE(link->ReadSms("ME"));
    EXPECT_EQ(link->StoredMessages().size(), 2u);
    EXPECT_FALSE(link->ReadSms("XX"));
    EXPECT_EQ(link->LastError().text, "the phone has no message storage XX");
}

TEST(SmsRead, AFailedStorageKeepsWhatWasReadAndSaysWhy) {
    {
        SimPhone sim(Stocked());
        sim.phone->AddFault({"AT+CMGL", FaultAction::CmsError, 500, 1});
        auto link = sim.Connect();
        EXPECT_FALSE(link->ReadSms());
        EXPECT_EQ(link->LastError().kind, LinkErrorKind::CmsError);
        EXPECT_EQ(link->LastError().text.rfind("the SIM's messages could not be listed: ", 0), 0u)
            << link->LastError().text;
        EXPECT_EQ(link->StoredMessages().size(), 2u) << "the phone memory was still read";
    }
    {
        // The line drops half-way through the SIM's listing.
        SimPhone sim(Stocked());
        sim.phone->AddFault({"AT+CMGL", FaultAction::DropMidReply, 0, 1});
        auto link = sim.Connect();
        EXPECT_FALSE(link->ReadSms());
        EXPECT_EQ(link->LastError().kind, LinkErrorKind::ConnectionLost);
        const size_t got = link->StoredMessages().size();
        EXPECT_GE(got, 1u);
        EXPECT_LT(got, 3u);
        EXPECT_EQ(link->LastError().text.rfind(
                      "the listing of the SIM's messages stopped after " + std::to_string(got), 0),
                  0u)
            << link->LastError().text;
        EXPECT_EQ(link->SmsStorageReads().size(), 1u) << "a lost line stops the read";
    }
    {
        phonesim::PhoneState full = Stocked();
        full.smsSim.size = 3;
        full.smsSim.messages[3] = full.smsSim.messages[7];
        full.smsSim.messages.erase(7);
        SimPhone sim(full);
        auto link = sim.Connect();
        ASSERT_TRUE(link->ReadSms());
        EXPECT_TRUE(link->SmsStorageReads()[0].use.Full());
        EXPECT_FALSE(link->SmsStorageReads()[1].use.Full());
    }
}

TEST(SmsRead, ReadOneAndDelete) {
    SimPhone sim(Stocked());
    auto link = sim.Connect();
    StoredSms sms;
    ASSERT_TRUE(link->ReadOneSms("ME", 3, sms)) << link->LastError().text;
    EXPECT_EQ(sms.pduHex, Stocked().smsMemory.messages[3].pduHex);
    EXPECT_FALSE(link->ReadOneSms("ME", 9, sms));
    EXPECT_EQ(link->LastError().text.rfind("message 9 of the phone's storage", 0), 0u)
        << link->LastError().text;

    ASSERT_TRUE(link->DeleteSms("SM", 7)) << link->LastError().text;
    ASSERT_TRUE(link->DeleteSms("ME", 4)) << link->LastError().text;
    auto state = sim.phone->Snapshot();
    EXPECT_EQ(state.smsSim.messages.count(7), 0u);
    EXPECT_EQ(state.smsSim.messages.size(), 2u);
    EXPECT_EQ(state.smsMemory.messages.count(4), 0u);
    EXPECT_FALSE(link->DeleteSms("SM", 11));
    EXPECT_TRUE(IsPhoneRefusal(link->LastError()));
}

TEST(SmsWatch, NewMessagesAnnouncedWhileIdleAndDuringCommands) {
    SimPhone sim(phonesim::PhoneState::Empty(), SimPhone::Chunked(3));
    auto link = sim.Connect();
    ASSERT_TRUE(link->EnableSmsNotices()) << link->LastError().text;
    EXPECT_EQ(link->SmsNoticeSetting(), "2,1,0,1,0");

    std::vector<SmsNotice> seen;
    auto record = [&](const SmsNotice& n) { seen.push_back(n); };
    ASSERT_TRUE(link->WatchSms(50, record));
    EXPECT_TRUE(seen.empty());

    // Arrives while the link sits idle in the watch.
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sim.phone->DeliverPdu(Deliver("+4917099", "while idle"), nullptr);
    });
    for (int i = 0; i < 50 && seen.empty(); ++i)
        ASSERT_TRUE(link->WatchSms(200, record));
    later.join();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (SmsNotice{SmsNotice::Kind::NewMessage, "SM", 1, -1, ""}));
    StoredSms sms;
    ASSERT_TRUE(link->ReadOneSms(seen[0].storage, seen[0].index, sms));
    EXPECT_EQ(sms.pduHex, Deliver("+4917099", "while idle"));

    // Arrives while a command runs: kept and handed over by the next watch step.
    seen.clear();
    sim.phone->DeliverPdu(Deliver("+4917099", "during"), nullptr);
    ASSERT_TRUE(link->Transact("AT"));
    ASSERT_TRUE(link->WatchSms(500, record));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].index, 2);

    sim.pty.Hangup();
    bool lost = false;
    for (int i = 0; i < 20 && !lost; ++i)
        lost = !link->WatchSms(100, record);
    EXPECT_TRUE(lost);
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::ConnectionLost);
}

TEST(SmsWatch, NoticeSettingFallsBackToWhatThePhoneTakes) {
    SimPhone sim(phonesim::PhoneState::Empty());
    sim.phone->AddFault({"AT+CNMI=2", FaultAction::CmsError, 303, -1});
    auto link = sim.Connect();
    ASSERT_TRUE(link->EnableSmsNotices());
    EXPECT_EQ(link->SmsNoticeSetting(), "1,1,0,1,0");
    sim.phone->AddFault({"AT+CNMI", FaultAction::Error, 0, -1});
    EXPECT_FALSE(link->EnableSmsNotices());
    EXPECT_EQ(link->LastError().text.rfind("the phone does not announce new messages", 0), 0u);
}

} // namespace

namespace {

TEST(SmsLongSend, EveryPartWithANewReferencePerMessageAndTheirReports) {
    SimPhone sim(phonesim::PhoneState::Demo(), SimPhone::Chunked(8));
    auto link = sim.Connect();
    ASSERT_TRUE(link->EnableSmsNotices());
    std::string text;
    while (text.size() < 400)
        text += "A long message in three parts. ";
    SmsSendOptions options;
    options.statusReport = true;
    std::vector<int> references;
    ASSERT_TRUE(link->SendLongSms(text, "+4917012345", options, references))
        << link->LastError().text;
    auto sent = sim.phone->Snapshot().sent;
    ASSERT_EQ(sent.size(), 3u);
    ASSERT_EQ(references.size(), 3u);
    std::string joined;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(references[i], sent[i].messageReference);
        joined += sent[i].text;
    }
    EXPECT_EQ(joined, text);
    const int firstReference = link->LastConcatReference();

    // One status report per part, each matching a part's message reference.
    std::vector<int> reported;
    for (int i = 0; i < 20 && reported.size() < 3; ++i)
        ASSERT_TRUE(link->WatchSms(200, [&](const SmsNotice& n) {
            DecodedSms report;
            LinkError error;
            ASSERT_EQ(n.kind, SmsNotice::Kind::StatusReport);
            ASSERT_TRUE(DecodeSmsPdu(n.pduHex, n.tpduLength, report, error)) << error.text;
            EXPECT_EQ(report.number, "+4917012345");
            EXPECT_EQ(DescribeStatus(report.status), "delivered");
            reported.push_back(report.messageReference);
        }));
    EXPECT_EQ(reported, references);

    ASSERT_TRUE(link->SendLongSms(text, "+4917012345", {}, references));
    EXPECT_NE(link->LastConcatReference(), firstReference) << "a new reference per message";

    sim.phone->AddFault({"AT+CMGS", FaultAction::CmsError, 331, -1});
    EXPECT_FALSE(link->SendLongSms(text, "+4917012345", {}, references));
    EXPECT_TRUE(references.empty());
    EXPECT_EQ(link->LastError().text.rfind("0 of 3 parts were sent: ", 0), 0u)
        << link->LastError().text;
    EXPECT_FALSE(link->SendLongSms(std::string(2000, 'a'), "+4917012345", {}, references));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::InvalidInput);
}

} // namespace

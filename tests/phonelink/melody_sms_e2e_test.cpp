// Melody, ring-signal and SMS operations against the emulated phone.
#include <gtest/gtest.h>

#include "simphone.h"

namespace {

using phonesim::FaultAction;

TEST(Melodies, ReadWritePlaySet) {
    SimPhone sim(phonesim::PhoneState::Demo(), SimPhone::Chunked(9));
    auto link = sim.Connect();
    ASSERT_TRUE(link->ReadMelodies()) << link->LastError().text;
    ASSERT_TRUE(link->ReadMelodies()) << "a second read replaces the list";
    auto state = sim.phone->Snapshot();
    ASSERT_EQ(link->Melodies().size(), state.melodies.size());
    for (size_t i = 0; i < state.melodies.size(); ++i) {
        EXPECT_EQ(link->Melodies()[i]->index, state.melodies[i].index);
        EXPECT_EQ(link->Melodies()[i]->text, state.melodies[i].text);
    }

    MelodyEntry* third = link->Melodies()[2].get();
    ASSERT_TRUE(link->WriteMelody(third, "c4d4e4f4g2g2")) << link->LastError().text;
    EXPECT_EQ(sim.phone->Snapshot().melodies[2].text, "c4d4e4f4g2g2");
    EXPECT_EQ(sim.phone->CommandLog().back(), "AT*ESOM=" + std::to_string(third->index) + ",\"c4d4e4f4g2g2\",0");

    ASSERT_TRUE(link->PlayMelody(3, kFirstUserMelodySound));
    EXPECT_EQ(sim.phone->Snapshot().lastPlayedLevel, 3);
    EXPECT_EQ(sim.phone->Snapshot().lastPlayedSound, 31);
    EXPECT_EQ(sim.phone->CommandLog().back(), "AT*ERIP=3,31");
    ASSERT_TRUE(link->SetDefaultMelody(33));
    EXPECT_EQ(sim.phone->Snapshot().ringSound, 33);
    EXPECT_EQ(sim.phone->CommandLog().back(), "AT*ERIN=33");
}

TEST(Melodies, RefusalsKeepTheOldTextAndGiveReasons) {
    SimPhone sim;
    auto link = sim.Connect();
    ASSERT_TRUE(link->ReadMelodies());
    MelodyEntry* first = link->Melodies()[0].get();
    const std::string before = first->text;
    EXPECT_FALSE(link->WriteMelody(first, "zzz")) << "not the phone's notation";
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::CmeError);
    EXPECT_EQ(first->text, before);
    EXPECT_FALSE(link->WriteMelody(first, "c4\"d4"));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::InvalidInput);
    EXPECT_EQ(first->text, before);
    EXPECT_EQ(sim.phone->Snapshot().melodies[0].text, before);
    MelodyEntry stranger;
    EXPECT_FALSE(link->WriteMelody(&stranger, "c4"));

    EXPECT_FALSE(link->PlayMelody(9, 31));
    EXPECT_TRUE(IsPhoneRefusal(link->LastError()));
    EXPECT_FALSE(link->SetDefaultMelody(99));
    EXPECT_TRUE(IsPhoneRefusal(link->LastError()));
}

struct SmsCase {
    const char* label;
    std::string text;
    const char* destination;
    const char* digits;
    int typeOfAddress;
    int dataCodingScheme;
};

class SmsSend : public ::testing::TestWithParam<SmsCase> {};

TEST_P(SmsSend, PhoneDecodesWhatWasSent) {
    SimPhone sim(phonesim::PhoneState::Demo(), SimPhone::Chunked(21));
    auto link = sim.Connect();
    ASSERT_TRUE(link->SendSms(GetParam().text, GetParam().destination)) << link->LastError().text;
    auto sent = sim.phone->Snapshot().sent;
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].text, GetParam().text);
    EXPECT_EQ(sent[0].destination, GetParam().digits);
    EXPECT_EQ(sent[0].typeOfAddress, GetParam().typeOfAddress);
    EXPECT_EQ(sent[0].dataCodingScheme, GetParam().dataCodingScheme);
    EXPECT_EQ(link->LastMessageReference(), sent[0].messageReference);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SmsSend,
    ::testing::Values(SmsCase{"GsmWithExtension", "Meet @ 5, costs 3€ [cash]", "0701234", "0701234", 129, 0},
                      SmsCase{"Ucs2", "Привет, мир", "123", "123", 129, 8},
                      SmsCase{"Exactly160Septets", std::string(158, 'x') + "€", "99", "99", 129, 0},
                      SmsCase{"International", "Hi", "+46 70 123 45", "467012345", 145, 0},
                      SmsCase{"WorkedExample", "Hi", "123", "123", 129, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SmsSend, RefusedBeforeSendingOrByThePhone) {
    SimPhone sim;
    auto link = sim.Connect();
    EXPECT_FALSE(link->SendSms(std::string(161, 'a'), "123"));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::InvalidInput);
    EXPECT_FALSE(link->SendSms("Hi", "12-34"));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::InvalidInput);
    EXPECT_TRUE(sim.phone->CommandLog().empty()) << "nothing goes out for a refused message";

    sim.phone->AddFault({"AT+CMGS", FaultAction::CmsError, 331, 1});
    EXPECT_FALSE(link->SendSms("Hi", "123"));
    EXPECT_EQ(link->LastError().text, "no network service");

    sim.phone->AddFault({"AT+CMGS", FaultAction::Silent, 0, 1});
    EXPECT_FALSE(link->SendSms("Hi", "123"));
    EXPECT_EQ(link->LastError().kind, LinkErrorKind::NoAnswer);
    EXPECT_TRUE(sim.phone->Snapshot().sent.empty());
}

} // namespace

// What the Messages view lists, without a window: a delivery report lands on our own sent copy
// (never on a SUBMIT the phone stored with whatever reference its writer gave), the nearly-full
// warning's thresholds, and the reference patch leaving a PDU it cannot read alone.
#include <gtest/gtest.h>

#include "ui/messages/conversations.h"
#include "ui/messages/messagejobs.h"

namespace {

messages::ArchivedMessage Row(int64_t id, const char* storage, SmsKind kind, int reference,
                              int status = 3) {
    messages::ArchivedMessage m;
    m.id = id;
    m.entry = {"phone", storage, static_cast<int>(id), status, "PDU" + std::to_string(id), -1};
    m.decoded = true;
    m.sms.kind = kind;
    m.sms.number = "+4917011111";
    m.sms.messageReference = reference;
    m.sms.text = "text " + std::to_string(id);
    m.sms.time = SmsTime{2026, 12, 8, 10, static_cast<int>(id), 0, 60};
    return m;
}

} // namespace

TEST(MessagesViewConversations, ReportMatchesOnlyOurSentCopy) {
    messages::ArchivedMessage storedOnPhone = Row(1, "SM", SmsKind::Submit, 0);
    messages::ArchivedMessage ours = Row(2, msgview::kSentStorage, SmsKind::Submit, 0);
    messages::ArchivedMessage report = Row(3, msgview::kReportStorage, SmsKind::StatusReport, 0);
    report.sms.number = "017011111"; // the national form of the same number
    report.sms.status = 0;
    const contacts::NumberMatcher numbers("DE");
    auto list =
        msgview::BuildConversations({storedOnPhone, ours, report}, {{"SM", 4, 3, -1, "PDU1"}},
                                    {{"0170 11111", "Anna/M"}}, numbers);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Title().rfind("Anna (", 0), 0u) << "the person, without the kind suffix";
    ASSERT_EQ(list[0].messages.size(), 2u) << "the report is no message of its own";
    EXPECT_EQ(list[0].messages[0].delivery, "");
    EXPECT_EQ(list[0].messages[0].state, "sent");
    EXPECT_TRUE(list[0].messages[0].onPhone);
    EXPECT_EQ(list[0].messages[1].delivery, DescribeStatus(0));
    EXPECT_EQ(list[0].messages[1].state, "sent, archived");
}

TEST(MessagesViewConversations, StorageWarningThresholds) {
    EXPECT_EQ(msgview::StorageSummary({{"SM", 8, 10}, {"ME", 0, 100}}),
              "SIM 8 of 10, phone memory 0 of 100");
    EXPECT_EQ(msgview::StorageWarning({{"SM", 7, 10}, {"ME", -1, -1}}), "");
    EXPECT_NE(msgview::StorageWarning({{"SM", 8, 10}}).find("room for 2 more messages"),
              std::string::npos);
    EXPECT_NE(msgview::StorageWarning({{"ME", 90, 100}}).find("phone memory has room for 10"),
              std::string::npos);
    EXPECT_NE(msgview::StorageWarning({{"SM", 10, 10}}).find("SIM is full (10 of 10)"),
              std::string::npos);
    EXPECT_NE(msgview::StorageWarning({{"SM", 12, 10}}).find("SIM is full"), std::string::npos)
        << "a phone that counts more than it holds";
}

TEST(MessagesViewConversations, MessageReferencePatch) {
    // Service centre left to the phone (00), first octet 11, reference 00.
    EXPECT_EQ(msgview::WithMessageReference("0011000B91", 0x2A), "00112A0B91");
    EXPECT_EQ(msgview::WithMessageReference("07911326", 5), "07911326")
        << "too short for its centre";
    EXPECT_EQ(msgview::WithMessageReference("ZZ110000", 5), "ZZ110000");
    EXPECT_EQ(msgview::WithMessageReference("", 5), "");
}

TEST(MessagesViewConversations, UndecodableMessageShownWithReason) {
    messages::ArchivedMessage bad = Row(1, "SM", SmsKind::Deliver, -1, 1);
    bad.decoded = false;
    bad.entry.pduHex = "0791";
    auto list =
        msgview::BuildConversations({bad, Row(2, "SM", SmsKind::Deliver, -1, 0)},
                                    {{"SM", 7, 1, -1, "0791"}}, {}, contacts::NumberMatcher("DE"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Title(), "Messages that could not be read");
    ASSERT_EQ(list[1].messages.size(), 1u);
    EXPECT_TRUE(list[1].messages[0].text.starts_with("[this message could not be read: "));
    EXPECT_EQ(list[1].messages[0].phoneSlots, (std::vector<messages::SmsLocation>{{"SM", 7}}))
        << "it can still be deleted from the phone";
}

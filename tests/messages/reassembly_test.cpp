// Concatenated parts put back together, and delivery reports matched to what was sent.
#include <gtest/gtest.h>

#include "messages/reassembly.h"
#include "messages/statusmatch.h"

namespace messages {
namespace {

DecodedSms Part(const char* text, int total, int sequence, const char* number = "+491701111111",
                int reference = 7) {
    DecodedSms sms;
    sms.number = number;
    sms.text = text;
    if (total >= 0)
        sms.concat = SmsConcat{reference, total, sequence, false};
    return sms;
}

struct Arrival {
    int index;
    DecodedSms sms;
};

struct ReassemblyCase {
    const char* label;
    std::vector<Arrival> arrivals;
    std::vector<std::string> texts; // TakeAll, in order of first arrival
    std::vector<std::vector<int>> indexes;
    std::vector<std::vector<int>> partIndexes; // the first copy of each part, in part order
    int completeCount;              // how many TakeComplete yields first
};

class ReassemblyTest : public ::testing::TestWithParam<ReassemblyCase> {};

TEST_P(ReassemblyTest, Joins) {
    const auto& c = GetParam();
    Reassembler collector;
    for (const auto& a : c.arrivals)
        collector.Add({"SM", a.index}, a.sms);
    auto complete = collector.TakeComplete();
    EXPECT_EQ(static_cast<int>(complete.size()), c.completeCount);
    auto rest = collector.TakeAll();
    complete.insert(complete.end(), rest.begin(), rest.end());
    ASSERT_EQ(complete.size(), c.texts.size());
    for (size_t i = 0; i < complete.size(); ++i) {
        EXPECT_EQ(complete[i].text, c.texts[i]);
        std::vector<int> indexes;
        for (const auto& where : complete[i].locations)
            indexes.push_back(where.index);
        EXPECT_EQ(indexes, c.indexes[i]);
        indexes.clear();
        for (const auto& where : complete[i].partLocations)
            indexes.push_back(where.index);
        EXPECT_EQ(indexes, c.partIndexes[i]);
    }
    EXPECT_TRUE(collector.TakeAll().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Listings, ReassemblyTest,
    ::testing::Values(
        ReassemblyCase{"OutOfOrder", {{3, Part("c", 3, 3)}, {1, Part("a", 3, 1)}, {2, Part("b", 3, 2)}},
                       {"abc"}, {{3, 1, 2}}, {{1, 2, 3}}, 1},
        ReassemblyCase{"DuplicateDroppedSlotKept",
                       {{1, Part("a", 2, 1)}, {2, Part("a", 2, 1)}, {3, Part("b", 2, 2)}},
                       {"ab"}, {{1, 2, 3}}, {{1, 3}}, 1},
        ReassemblyCase{"MissingPartMarked", {{1, Part("a", 3, 1)}, {2, Part("c", 3, 3)}},
                       {"a[part 2 of 3 missing]c"}, {{1, 2}}, {{1, 2}}, 0},
        ReassemblyCase{"OtherSenderSameReference",
                       {{1, Part("a", 2, 1)}, {2, Part("x", 2, 1, "+441234")}, {3, Part("b", 2, 2)}},
                       {"ab", "x[part 2 of 2 missing]"}, {{1, 3}, {2}}, {{1, 3}, {2}}, 1},
        ReassemblyCase{"SingleBetweenParts", {{1, Part("a", 2, 1)}, {2, Part("solo", -1, 0)}, {3, Part("b", 2, 2)}},
                       {"ab", "solo"}, {{1, 3}, {2}}, {{1, 3}, {2}}, 2},
        ReassemblyCase{"BadHeadersStandAlone",
                       {{1, Part("zero", 3, 0)}, {2, Part("beyond", 2, 3)}, {3, Part("max", 255, 1)},
                        {4, Part("none", 0, 0)}},
                       {"zero", "beyond", "max", "none"}, {{1}, {2}, {3}, {4}}, {{1}, {2}, {3}, {4}}, 4}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(StatusMatch, ByReferenceAndNumberInEitherForm) {
    contacts::NumberMatcher numbers("DE");
    std::vector<SentMessage> sent = {{5, "+491701234567"}, {6, "01701234567"}, {5, "+441632960000"},
                                     {5, "01701234567"}};
    DecodedSms report;
    report.kind = SmsKind::StatusReport;
    report.messageReference = 5;
    report.number = "+491701234567";
    EXPECT_EQ(MatchStatusReport(report, sent, numbers), 3u) << "the latest with that reference";
    report.messageReference = 6;
    EXPECT_EQ(MatchStatusReport(report, sent, numbers), 1u);
    report.messageReference = 9;
    EXPECT_EQ(MatchStatusReport(report, sent, numbers), std::nullopt);
    report.kind = SmsKind::Deliver;
    report.messageReference = 5;
    EXPECT_EQ(MatchStatusReport(report, sent, numbers), std::nullopt);
}

} // namespace
} // namespace messages

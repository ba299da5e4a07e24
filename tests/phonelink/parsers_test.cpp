// Reply parsers on literal replies, each row named after what produced it.
#include <gtest/gtest.h>

#include "phonelink/atparse.h"
#include "phonelink/linkerror.h"
#include "phonelink/replyframer.h"

namespace {

TEST(ParseDigits, DigitByDigitWithNonDigitsAsZero) {
    EXPECT_EQ(ParseDigits("250"), 250);
    EXPECT_EQ(ParseDigits("+5"), 5);
    EXPECT_EQ(ParseDigits(""), 0);
    EXPECT_EQ(ParseDigits("1-3"), 103);
    EXPECT_EQ(ParseDigits(" 7"), 7);
    // Wraps instead of overflowing a signed 32-bit value (would trap under UBSan).
    EXPECT_EQ(ParseDigits("99999999999999999999"), static_cast<int>(UINT32_C(1661992959)));
}

struct RangeCase {
    const char* label;
    const char* reply;
    bool found;
    CpbrRange range;
};

class CpbrRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(CpbrRangeTest, Parses) {
    auto result = parseCpbrRange(GetParam().reply);
    ASSERT_EQ(result.has_value(), GetParam().found);
    if (GetParam().found) {
        EXPECT_EQ(*result, GetParam().range);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CpbrRangeTest,
    ::testing::Values(
        RangeCase{"SimWithEcho", "AT+CPBR=?\r\r\n+CPBR: (1-250),40,18\r\n\r\nOK\r\n", true, {1, 250, 40, 18}},
        RangeCase{"SmallStorage", "\r\n+CPBR: (1-99),20,14\r\n\r\nOK\r\n", true, {1, 99, 20, 14}},
        RangeCase{"NoBlankAfterColon", "+CPBR:(1-255),40,18\r\nOK\r\n", true, {1, 255, 40, 18}},
        RangeCase{"LengthsLeftOut", "+CPBR: (1-10)\r\nOK\r\n", true, {1, 10, -1, -1}},
        RangeCase{"ExtraTrailingFields", "+CPBR: (1-500),40,24,0,5\r\nOK\r\n", true, {1, 500, 40, 24}},
        RangeCase{"UnsolicitedLineFirst", "+CIEV: 2,3\r\n+CPBR: (1-50),32,16\r\nOK\r\n", true, {1, 50, 32, 16}},
        RangeCase{"ErrorOnly", "AT+CPBR=?\r\r\n+CME ERROR: 10\r\n", false, {}},
        RangeCase{"RangeBackwards", "+CPBR: (9-1),40,18\r\nOK\r\n", false, {}},
        RangeCase{"GarbageInRange", "+CPBR: (1-2x0),40,18\r\nOK\r\n", false, {}}),
    [](const auto& info) { return std::string(info.param.label); });

struct ListingCase {
    const char* label;
    const char* reply;
    std::vector<RawPhonebookLine> entries;
};

class CpbrListingTest : public ::testing::TestWithParam<ListingCase> {};

TEST_P(CpbrListingTest, Parses) { EXPECT_EQ(parseCpbrListing(GetParam().reply), GetParam().entries); }

INSTANTIATE_TEST_SUITE_P(
    Replies, CpbrListingTest,
    ::testing::Values(
        ListingCase{"EchoAndTwoEntries",
                    "AT+CPBR=1,250\r\r\n+CPBR: 1,\"0701234\",129,\"Anna/M\"\r\n"
                    "+CPBR: 3,\"+46705551234\",145,\"Bob/W\"\r\n\r\nOK\r\n",
                    {{1, "0701234", 129, "Anna/M"}, {3, "+46705551234", 145, "Bob/W"}}},
        ListingCase{"EmptyStorage", "AT+CPBR=1,99\r\r\nOK\r\n", {}},
        ListingCase{"EmptyNumberAndName", "+CPBR: 7,\"\",129,\"\"\r\nOK\r\n", {{7, "", 129, ""}}},
        ListingCase{"NoEchoNoBlank", "+CPBR:2,\"123\",129,\"X\"\r\nOK\r\n", {{2, "123", 129, "X"}}},
        ListingCase{"BooksIsJustAName", "+CPBR: 4,\"55\",129,\"BOOKS\"\r\nOK\r\n", {{4, "55", 129, "BOOKS"}}},
        ListingCase{"CommaColonInName", "+CPBR: 5,\"12\",129,\"Smith, J: home\"\r\nOK\r\n",
                    {{5, "12", 129, "Smith, J: home"}}},
        ListingCase{"QuotesInName", "+CPBR: 6,\"12\",129,\"Say \"hi\", ok\"\r\nOK\r\n",
                    {{6, "12", 129, "Say \"hi\", ok"}}},
        ListingCase{"CommaInNumber", "+CPBR: 8,\"12,34\",129,\"P\"\r\nOK\r\n", {{8, "12,34", 129, "P"}}},
        ListingCase{"ExtraTrailingFields", "+CPBR: 9,\"1\",129,\"Q\",0,\"grp\"\r\nOK\r\n", {{9, "1", 129, "Q"}}},
        ListingCase{"TextLeftOut", "+CPBR: 10,\"99\",129\r\nOK\r\n", {{10, "99", 129, ""}}},
        ListingCase{"UnsolicitedLinesBetween",
                    "+CPBR: 1,\"1\",129,\"A\"\r\nRING\r\n+CIEV: 1,2\r\n+CPBR: 2,\"2\",129,\"B\"\r\nOK\r\n",
                    {{1, "1", 129, "A"}, {2, "2", 129, "B"}}},
        ListingCase{"LatinBytesKept", "+CPBR: 11,\"1\",129,\"J\xF6rg\"\r\nOK\r\n", {{11, "1", 129, "J\xF6rg"}}},
        ListingCase{"BrokenLinesMakeNoRecord",
                    "+CPBR: x,\"1\",129,\"A\"\r\n+CPBR: 3,\"1\r\n+CPBR: 4,\"1\",abc,\"B\"\r\n+CPBR:\r\nOK\r\n",
                    {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CpbfListing, ReadsOnlyFindLines) {
    auto entries = parseCpbfListing("AT+CPBF=\"Bob\"\r\r\n+CPBF: 3,\"1\",129,\"Bobby\"\r\n"
                                    "+CPBF: 12,\"2\",129,\"Bob\"\r\n+CPBR: 1,\"3\",129,\"x\"\r\nOK\r\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], (RawPhonebookLine{12, "2", 129, "Bob"}));
}

struct EsomCase {
    const char* label;
    const char* reply;
    std::vector<MelodyEntry> melodies;
};

class EsomListingTest : public ::testing::TestWithParam<EsomCase> {};

TEST_P(EsomListingTest, Parses) { EXPECT_EQ(parseEsomListing(GetParam().reply), GetParam().melodies); }

INSTANTIATE_TEST_SUITE_P(
    Replies, EsomListingTest,
    ::testing::Values(
        EsomCase{"Plain", "AT*ESOM?\r\r\n*ESOM: 2,\"c4d4e4\",0\r\nOK\r\n", {{2, "c4d4e4"}}},
        EsomCase{"EmptyText", "*ESOM: 1,\"\",0\r\nOK\r\n", {{1, ""}}},
        EsomCase{"CommaInTextKept", "*ESOM: 3,\"c4,d4\",0\r\nOK\r\n", {{3, "c4,d4"}}},
        EsomCase{"NoBlankNoThirdField", "*ESOM:4,\"g2\"\r\nOK\r\n", {{4, "g2"}}},
        EsomCase{"NoMelodies", "AT*ESOM?\r\r\nOK\r\n", {}},
        EsomCase{"OtherLinesIgnored", "+CIEV: 1,1\r\n*ESOM: 5,\"a\",1\r\nRING\r\nOK\r\n", {{5, "a"}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SmallReplies, CharsetListAndMessageReference) {
    EXPECT_EQ(parseCscsSupported("AT+CSCS=?\r\r\n+CSCS: (\"GSM\",\"IRA\",\"UCS2\")\r\nOK\r\n"),
              (std::vector<std::string>{"GSM", "IRA", "UCS2"}));
    EXPECT_EQ(parseCmgsReference("\r\n+CMGS: 17\r\n\r\nOK\r\n"), 17);
    EXPECT_EQ(parseCmgsReference("+CMGS:4,\"scts\"\r\nOK\r\n"), 4);
    EXPECT_EQ(parseCmgsReference("OK\r\n"), std::nullopt);
}

struct FinalLineCase {
    const char* label;
    const char* line;
    LinkErrorKind kind;
    int code;
    const char* text;
};

class FinalLineTest : public ::testing::TestWithParam<FinalLineCase> {};

TEST_P(FinalLineTest, BecomesError) {
    LinkError e = ErrorFromFinalLine(GetParam().line);
    EXPECT_EQ(e.kind, GetParam().kind);
    EXPECT_EQ(e.code, GetParam().code);
    EXPECT_EQ(e.text, GetParam().text);
    EXPECT_TRUE(CReplyFramer::IsFinalResult(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FinalLineTest,
    ::testing::Values(
        FinalLineCase{"Ok", "OK", LinkErrorKind::None, -1, ""},
        FinalLineCase{"PlainError", "ERROR", LinkErrorKind::PhoneError, -1, "the phone answered ERROR"},
        FinalLineCase{"NoSim", "+CME ERROR: 10", LinkErrorKind::CmeError, 10, "SIM not inserted"},
        FinalLineCase{"Full", "+CME ERROR:20", LinkErrorKind::CmeError, 20, "memory full"},
        FinalLineCase{"BadIndex", "+CME ERROR: 21", LinkErrorKind::CmeError, 21, "invalid index"},
        FinalLineCase{"TextLong", "+CME ERROR: 24", LinkErrorKind::CmeError, 24, "text string too long"},
        FinalLineCase{"DialLong", "+CME ERROR: 26", LinkErrorKind::CmeError, 26, "dial string too long"},
        FinalLineCase{"UnknownCode", "+CME ERROR: 777", LinkErrorKind::CmeError, 777, "phone error 777"},
        FinalLineCase{"Verbose", "+CME ERROR: SIM busy", LinkErrorKind::CmeError, -1, "SIM busy"},
        FinalLineCase{"EmptyCme", "+CME ERROR:", LinkErrorKind::CmeError, -1, "phone error (no code given)"},
        FinalLineCase{"SmsNoService", "+CMS ERROR: 331", LinkErrorKind::CmsError, 331, "no network service"},
        FinalLineCase{"NoCarrier", "NO CARRIER", LinkErrorKind::PhoneError, -1, "the phone answered NO CARRIER"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ReplyFramer, EndsOnlyOnAWholeResultLine) {
    CReplyFramer framer("AT+CPBF=\"OK\"");
    framer.Feed("AT+CPBF=\"OK\"\r\r\n+CPBF: 1,\"1\",129,\"OK\"\r\n+CPBF: 2,\"2\",129,\"BOOKS\"\r\nO");
    EXPECT_FALSE(framer.FinalSeen());
    framer.Feed("K");
    EXPECT_FALSE(framer.FinalSeen()) << "a result counts only once its line has ended";
    framer.Feed("\r\n");
    EXPECT_TRUE(framer.Succeeded());
}

TEST(ReplyFramer, EchoOfAResultWordIsNotTheResult) {
    // A phone book name typed as "ERROR" comes back in the echo of the find command.
    CReplyFramer framer("ERROR");
    framer.Feed("ERROR\r\r\nOK\r\n");
    EXPECT_TRUE(framer.Succeeded());
}

TEST(ReplyFramer, PromptWithoutLineEnd) {
    CReplyFramer framer("AT+CMGS=12", true);
    framer.Feed("AT+CMGS=12\r\r\n");
    EXPECT_FALSE(framer.PromptSeen());
    framer.Feed("> ");
    EXPECT_TRUE(framer.PromptSeen());
    CReplyFramer refused("AT+CMGS=12", true);
    refused.Feed("AT+CMGS=12\r\r\n+CMS ERROR: 302\r\n");
    EXPECT_FALSE(refused.PromptSeen());
    EXPECT_TRUE(refused.FinalSeen());
    EXPECT_FALSE(refused.Succeeded());
}

} // namespace

namespace {

// Replies cut and spliced at random from the pieces the parsers look for: no input may crash a
// parser or make it read past the reply (the sanitizer build checks the latter).
TEST(ParserRobustness, RandomSplicedRepliesNeverCrash) {
    const std::vector<std::string> pieces = {"+CPBR:", "+CPBF: ", "*ESOM:", "+CSCS: (", "+CMGS: ", "\"", ",",
                                             "1", "250", "-", "(", ")", " ", "\r\n", "\r", "OK", "ERROR",
                                             "+CME ERROR:", "\xF6", "129", ""};
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 3000; ++round) {
        std::string reply;
        int count = static_cast<int>(next() % 24);
        for (int i = 0; i < count; ++i)
            reply += pieces[(next() >> 8) % pieces.size()];
        for (const auto& e : parseCpbrListing(reply))
            EXPECT_GE(e.position, 0);
        parseCpbfListing(reply);
        parseEsomListing(reply);
        parseCpbrRange(reply);
        parseCscsSupported(reply);
        parseCmgsReference(reply);
        ErrorFromFinalLine(reply);
        CReplyFramer framer("AT", true);
        framer.Feed(reply);
    }
}

} // namespace

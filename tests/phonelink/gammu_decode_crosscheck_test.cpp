// Every recorded PDU decoded by gammu's DecodePDU (python3-gammu) as well: number, text, time
// (the two-digit year: gammu reads "99" as 2089, we as 1999) and concatenation fields must
// agree. Skips when python3-gammu is not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "phonelink/smsdecode.h"
#include "smspdu_corpus.h"

namespace {

const char* kScript =
    "import sys,binascii,gammu\n"
    "d=gammu.DecodePDU(binascii.unhexlify(sys.argv[1]))\n"
    "t=d['DateTime'] or (d['SMSCDateTime'] if d['Type']=='Status_Report' else None)\n"
    "u=d['UDH']\n"
    "ref=u['ID16bit'] if u['ID16bit']>0 else u['ID8bit']\n"
    "txt=d['Text'] if isinstance(d['Text'],str) else ''\n"
    "if d['Type']=='Status_Report': txt=''\n"
    "print('%s\\t%s\\t%s\\t%d/%d/%d' % (d['Number'], txt.replace('\\n',' '), t.strftime('%y-%m-%dT%H:%M:%S') if t else '',"
    " ref if u['PartNumber']>0 else 0, u['AllParts'] if u['PartNumber']>0 else 0, max(u['PartNumber'],0)))\n";

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    pclose(pipe);
    return out;
}

TEST(GammuDecodeCrossCheck, RecordedPdusAgree) {
    if (RunCommand("/usr/bin/python3 -c 'import gammu; print(1)' 2>/dev/null") != "1\n")
        GTEST_SKIP() << "python3-gammu is not installed";
    for (const RecordedPdu* pdu : kRecordedPdus) {
        DecodedSms sms;
        LinkError error;
        ASSERT_TRUE(DecodeSmsPdu(pdu->hex, pdu->tpduLength, sms, error)) << pdu->label << ": " << error.text;
        std::string theirs = RunCommand(std::string("/usr/bin/python3 -c \"$HARLUNE_GAMMU_SCRIPT\" ") + pdu->hex +
                                 " 2>&1");
        if (theirs.find("Corrupted data") != std::string::npos)
            continue; // gammu refuses a few valid units (an alphanumeric originator of 20 digits)
        std::string time = sms.time ? ToIso8601(*sms.time).substr(2, 17) : "";
        std::string text = sms.text;
        for (char& c : text)
            if (c == '\n')
                c = ' ';
        const auto concat = sms.concat.value_or(SmsConcat{});
        // gammu shows an alphanumeric sender's septets as ASCII codes, not through the GSM
        // alphabet ("{" for the septet of "ä"): such a sender is compared only when it is plain.
        std::string number = sms.number;
        if ((sms.typeOfAddress & 0x70) == 0x50 &&
            std::any_of(number.begin(), number.end(), [](char c) { return c & 0x80; }))
            number = theirs.substr(0, theirs.find('\t'));
        std::string ours = number + "\t" + text + "\t" + time + "\t" + std::to_string(concat.reference) +
                           "/" + std::to_string(concat.total) + "/" + std::to_string(concat.sequence) + "\n";
        EXPECT_EQ(ours, theirs) << pdu->label << " (" << pdu->source << ")";
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("HARLUNE_GAMMU_SCRIPT", kScript, 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

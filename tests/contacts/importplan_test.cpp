// The plan of an import against what a storage holds and declares: each verdict and its reason.
#include <gtest/gtest.h>

#include "contacts/importplan.h"

using namespace contacts;

namespace {

StorageFacts Sim() {
    StorageFacts sim;
    sim.storage = kStorageSim;
    sim.entries = {{1, "+31612345678", kTypeInternational, "Anna/M", kStorageSim},
                   {2, "0201234567", kTypeNational, "Bert", kStorageSim}};
    sim.firstPosition = 1;
    sim.lastPosition = 4;
    sim.nameLength = 18;
    sim.numberLength = 20;
    sim.canStore = [](std::string_view name) { return name.find("\xE2\x82\xAC") == std::string_view::npos; };  // no euro
    return sim;
}

Contact Person(const char* name, std::vector<ContactNumber> numbers, int line) {
    Contact c;
    c.name = name;
    c.numbers = std::move(numbers);
    c.line = line;
    return c;
}

TEST(ImportPlan, EveryVerdictWithItsReason) {
    const std::vector<Contact> file = {
        Person("Anna", {{"06 1234 5678", NumberKind::Mobile, 0}}, 1),             // national form of entry 1
        Person("Bert Jansen", {{"+31201234567", NumberKind::None, 0}}, 2),       // entry 2, other name
        Person("Carla", {{"0301112222", NumberKind::Home, 0}, {"+31611113333", NumberKind::Work, 0}}, 3),
        Person("Carla", {{"0301112222", NumberKind::Home, 0}}, 4),               // twice in the file
        Person("Someone With A Long Name", {{"0401234567", NumberKind::None, 0}}, 5),
        Person("Euro \xE2\x82\xAC", {{"0501234567", NumberKind::None, 0}}, 6),
        Person("One Too Many", {{"0601234567", NumberKind::None, 0}}, 7),
    };
    // Numbers in file form; what the phone stores is digits only.
    std::vector<Contact> dialable = file;
    dialable[0].numbers[0].number = "0612345678";
    const ImportPlan plan = PlanImport(dialable, Sim(), NumberMatcher("NL"));
    struct Row { Verdict verdict; const char* name; int position; const char* reasonPart; };
    const std::vector<Row> want = {
        {Verdict::AlreadyThere, "Anna/M", 1, ""},
        {Verdict::Changed, "Bert Jansen", 2, ""},
        {Verdict::New, "Carla/H", 0, ""},
        {Verdict::New, "Carla/W", 0, ""},
        {Verdict::AlreadyThere, "Carla/H", 0, "twice"},
        {Verdict::WontFit, "Someone With A Long Name", 0, "24 characters; this storage holds 18"},
        {Verdict::WontFit, "Euro \xE2\x82\xAC", 0, "cannot store"},
        {Verdict::WontFit, "One Too Many", 0, "full"},
    };
    ASSERT_EQ(plan.rows.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const PlannedEntry& row = plan.rows[i];
        EXPECT_EQ(row.verdict, want[i].verdict) << i << " " << VerdictWord(row.verdict);
        EXPECT_EQ(row.entry.name, want[i].name) << i;
        EXPECT_EQ(row.entry.position, want[i].position) << i;
        EXPECT_EQ(row.entry.storage, kStorageSim);
        EXPECT_NE(row.reason.find(want[i].reasonPart), std::string::npos) << i << ": " << row.reason;
    }
    EXPECT_EQ(plan.rows[1].existingName, "Bert");
    EXPECT_EQ(plan.rows[3].entry.type, kTypeInternational);
    EXPECT_EQ(plan.rows[2].line, 3);
    EXPECT_EQ(plan.Count(Verdict::New), 2);
}

// Without a known country, national and international forms still match on their national
// significant number; service codes only when equal.
TEST(ImportPlan, NumbersMatchAcrossForms) {
    const NumberMatcher anywhere;
    EXPECT_TRUE(anywhere.Same("0612345678", "+31612345678"));
    EXPECT_FALSE(anywhere.Same("0612345678", "0612345679"));
    EXPECT_TRUE(anywhere.Same("*100#", "*100#"));
    EXPECT_FALSE(anywhere.Same("*100#", "100"));
    const NumberMatcher dutch("NL");
    EXPECT_TRUE(dutch.Same("0031612345678", "+31612345678"));
    EXPECT_FALSE(dutch.Same("+44612345678", "0612345678"));
    EXPECT_EQ(NumberMatcher::RegionFromLocale("nl_NL.UTF-8"), "NL");
    EXPECT_EQ(NumberMatcher::RegionFromLocale("en-gb"), "GB");
    EXPECT_EQ(NumberMatcher::RegionFromLocale("C.UTF-8"), "");
    EXPECT_EQ(NumberMatcher::RegionFromLocale("sr_RS@latin"), "RS");
}

// Running the same import again after all of it was written finds everything already there.
TEST(ImportPlan, SecondRunAddsNothing) {
    StorageFacts sim = Sim();
    sim.lastPosition = 250;
    const std::vector<Contact> file = {Person("Dirk", {{"0701234567", NumberKind::Mobile, 0}}, 1)};
    const ImportPlan first = PlanImport(file, sim, NumberMatcher("NL"));
    ASSERT_EQ(first.Count(Verdict::New), 1);
    PhonebookEntry written = first.rows[0].entry;
    written.position = 3;
    sim.entries.push_back(written);
    const ImportPlan second = PlanImport(file, sim, NumberMatcher("NL"));
    EXPECT_EQ(second.Count(Verdict::New), 0);
    EXPECT_EQ(second.Count(Verdict::AlreadyThere), 1);
}

} // namespace

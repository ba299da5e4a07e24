// Carrying out an import against a phone book stand-in that fills up, refuses, and loses its
// link: the outcome counts every chosen row once, and a second run completes a cut one.
#include <gtest/gtest.h>

#include "contacts/importrun.h"

using namespace contacts;

namespace {

// A storage with `capacity` positions; refuses names starting with '!'; the link drops before
// write number `dropAt` (1-based, 0: never).
class FakeStorage : public IPhonebookTarget {
public:
    std::vector<PhonebookEntry> entries;
    int capacity = 250, dropAt = 0, writes = 0;

    bool Add(const PhonebookEntry& entry, std::string* error) override {
        if (!Write(error)) return false;
        if (entry.name.rfind("!", 0) == 0) return *error = "+CME ERROR: 24", false;
        PhonebookEntry stored = entry;
        stored.position = static_cast<int>(entries.size()) + 1;
        entries.push_back(stored);
        return true;
    }
    bool Modify(const PhonebookEntry& entry, std::string* error) override {
        if (!Write(error)) return false;
        for (auto& e : entries)
            if (e.position == entry.position) e = entry;
        return true;
    }
    bool LinkLost() const override { return dropAt > 0 && writes >= dropAt; }

    StorageFacts Facts() const {
        StorageFacts facts;
        facts.storage = kStorageSim;
        facts.entries = entries;
        facts.lastPosition = capacity;
        return facts;
    }

private:
    bool Write(std::string* error) {
        ++writes;
        if (LinkLost()) return *error = "connection lost", false;
        return true;
    }
};

std::vector<Contact> People(int count) {
    std::vector<Contact> people;
    for (int i = 1; i <= count; ++i) {
        Contact c;
        c.name = "Person " + std::to_string(i);
        c.numbers = {{"+3161000" + std::to_string(1000 + i), NumberKind::Mobile, 0}};
        c.line = i;
        people.push_back(c);
    }
    return people;
}

TEST(ImportRun, CutAtEntryHundredThenSecondRunCompletesWithoutDuplicates) {
    FakeStorage sim;
    sim.dropAt = 100;
    const auto file = People(250);
    const NumberMatcher matcher("NL");
    const ImportOutcome first = RunImport(PlanImport(file, sim.Facts(), matcher), {}, sim);
    EXPECT_TRUE(first.linkLost);
    EXPECT_EQ(first.written, 99);
    EXPECT_EQ(first.notAttempted, 151);
    EXPECT_NE(first.Summary().find("Imported 99 of 250 entries; 151 not written: the connection was lost"),
              std::string::npos)
        << first.Summary();

    sim.dropAt = 0;  // connected again
    const ImportPlan second = PlanImport(file, sim.Facts(), matcher);
    EXPECT_EQ(second.Count(Verdict::AlreadyThere), 99);
    const ImportOutcome rest = RunImport(second, {}, sim);
    EXPECT_EQ(rest.written, 151);
    ASSERT_EQ(sim.entries.size(), 250u);
    for (size_t i = 0; i < file.size(); ++i) EXPECT_EQ(sim.entries[i].name, file[i].name + "/M");
}

TEST(ImportRun, RefusalsAreCountedAndCancelStopsBeforeTheNextRow) {
    FakeStorage sim;
    auto file = People(5);
    file[1].name = "!refused";
    const ImportPlan plan = PlanImport(file, sim.Facts(), NumberMatcher());
    const ImportOutcome outcome = RunImport(plan, {}, sim, [](int done, int) { return done < 3; });
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.written, 2);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_NE(outcome.failures[0].find("+CME ERROR: 24"), std::string::npos);
    EXPECT_EQ(outcome.notAttempted, 2);
    EXPECT_NE(outcome.Summary().find("1 refused by the phone; 2 not written: the import was cancelled"), std::string::npos)
        << outcome.Summary();
}

TEST(ImportRun, ChangedEntriesAreOverwrittenOnlyWhenChosen) {
    FakeStorage sim;
    sim.entries = {{1, "+31610001001", kTypeInternational, "Old Name/M", kStorageSim}};
    const auto file = People(1);
    const ImportPlan plan = PlanImport(file, sim.Facts(), NumberMatcher());
    ASSERT_EQ(plan.rows[0].verdict, Verdict::Changed);
    EXPECT_EQ(RunImport(plan, {}, sim).written, 0);
    EXPECT_EQ(sim.entries[0].name, "Old Name/M");
    EXPECT_EQ(RunImport(plan, {.addNew = true, .updateChanged = true}, sim).written, 1);
    EXPECT_EQ(sim.entries[0].name, "Person 1/M");
    EXPECT_EQ(sim.entries.size(), 1u);
}

} // namespace

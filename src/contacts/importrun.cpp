#include "contacts/importrun.h"

namespace contacts {

namespace {

bool Chosen(const PlannedEntry& row, const ImportChoices& choices) {
    return (row.verdict == Verdict::New && choices.addNew) || (row.verdict == Verdict::Changed && choices.updateChanged);
}

} // namespace

std::string ImportOutcome::Summary() const {
    const int chosen = written + static_cast<int>(failures.size()) + notAttempted;
    std::string text = "Imported " + std::to_string(written) + " of " + std::to_string(chosen) +
                       (chosen == 1 ? " entry" : " entries");
    if (!failures.empty()) text += "; " + std::to_string(failures.size()) + " refused by the phone";
    if (notAttempted > 0) {
        text += "; " + std::to_string(notAttempted) + " not written: ";
        text += linkLost ? "the connection was lost" : "the import was cancelled";
    }
    if (skipped > 0) text += " (" + std::to_string(skipped) + " left as they are)";
    return text + ".";
}

ImportOutcome RunImport(const ImportPlan& plan, const ImportChoices& choices, IPhonebookTarget& target,
                        const std::function<bool(int done, int total)>& progress) {
    ImportOutcome outcome;
    int total = 0;
    for (const PlannedEntry& row : plan.rows) total += Chosen(row, choices) ? 1 : 0;
    int done = 0;
    for (const PlannedEntry& row : plan.rows) {
        if (!Chosen(row, choices)) {
            ++outcome.skipped;
            continue;
        }
        if (outcome.cancelled || outcome.linkLost) {
            ++outcome.notAttempted;
            continue;
        }
        std::string error;
        const bool ok = row.verdict == Verdict::New ? target.Add(row.entry, &error) : target.Modify(row.entry, &error);
        if (ok) {
            ++outcome.written;
        } else if (target.LinkLost()) {
            // The phone may or may not have taken this one; the next run's plan finds out.
            outcome.linkLost = true;
            ++outcome.notAttempted;
        } else {
            outcome.failures.push_back("\"" + row.entry.name + "\" " + row.entry.number + ": " +
                                       (error.empty() ? std::string("refused by the phone") : error));
        }
        ++done;
        if (progress && !outcome.linkLost && !progress(done, total)) outcome.cancelled = true;
    }
    return outcome;
}

} // namespace contacts

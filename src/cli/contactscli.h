#pragma once
// What the contacts commands of harlune-cli (phonebook export/import/copy, backup, restore)
// share: their parsed line, opening the phone, the preview of a plan and the run that writes it.
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "contacts/link/phonecopy.h"

class CPhoneLink;

struct ContactsRequest {
    std::optional<int> port;
    std::optional<std::string> device;
    bool json = false, debug = false, help = false;
    bool dryRun = false, move = false, updateChanged = false;
    std::vector<std::string> words;            // "phonebook", "import", FILE
    std::map<std::string, std::string> values; // "storage" -> "SM"
};

// Opens the phone named by --port or --device. nullptr after printing why (exit status 3).
std::unique_ptr<CPhoneLink> OpenContactsPhone(const ContactsRequest& request, std::ostream& err);
// Prints the link's last error as a sentence, prefixed with `what` when given, and returns the
// exit status it stands for (2 the input, 3 the connection, 1 the phone).
int ContactsLinkFailed(const CPhoneLink& link, std::ostream& err, const std::string& what = {});
// Reads the storages; false after printing why.
bool ReadContactsStorages(CPhoneLink& link, const std::vector<uint8_t>& storages, std::ostream& err, int* exitStatus);

// The matcher for the user's country, from the locale (LC_ALL, LC_TELEPHONE, LANG).
contacts::NumberMatcher LocaleNumberMatcher();

// One line per planned row (verdict, storage, name, number, what is there or why not), or one
// JSON object with the rows, the counts per verdict and the file's problems.
void PrintContactsPreview(std::ostream& out, std::ostream& err, const std::vector<contacts::StoragePlan>& plans,
                          const std::vector<contacts::ReadProblem>& problems, bool json);
// The file's problems, one sentence each on stderr.
void PrintReadProblems(std::ostream& err, const std::string& file, const std::vector<contacts::ReadProblem>& problems);

// Writes the chosen rows with progress on stderr, prints the outcome (its sentence, or JSON) and
// returns the exit status: 3 when the link was lost, 1 when the phone refused entries, else 0.
int WriteContactsPlans(const std::vector<contacts::StoragePlan>& plans, const contacts::ImportChoices& choices,
                       CPhoneLink& link, std::ostream& out, std::ostream& err, bool json,
                       contacts::ImportOutcome* outcome = nullptr);

// "the SIM card" or "the phone memory".
const char* StorageWords(uint8_t storage);

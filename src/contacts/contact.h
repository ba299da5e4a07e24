#pragma once
// A contact as an address book file holds it, between the file formats and the phone book: one
// name with any number of numbers. A phone book entry holds one number, so a contact with three
// numbers becomes three entries, each name carrying the phone's kind suffix ("/M", "/H", "/W").
#include <cstdint>
#include <string>
#include <vector>

namespace contacts {

// The kind of a number, as the phone marks it with a suffix on the entry's name.
enum class NumberKind { None, Mobile, Home, Work };

struct ContactNumber {
    std::string number;  // as dialled: digits, a leading "+", "*", "#"
    NumberKind kind = NumberKind::None;
    int type = 0;        // the phone's number type when the file says it (129, 145), else 0
    bool operator==(const ContactNumber&) const = default;
};

struct Contact {
    std::string name;  // UTF-8, without a kind suffix
    std::vector<ContactNumber> numbers;
    uint8_t storage = 0;  // where an export of ours found it (kStoragePhone, kStorageSim), else 0
    int position = 0;     // its position there, else 0
    int line = 0;         // the line of the file the contact starts on
    bool operator==(const Contact&) const = default;
};

// Something in a file that could not be read; the rest of the file still is.
struct ReadProblem {
    int line = 0;
    std::string reason;
};

struct ReadResult {
    std::vector<Contact> contacts;
    std::vector<ReadProblem> problems;
};

} // namespace contacts

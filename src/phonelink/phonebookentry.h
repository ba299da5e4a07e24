#pragma once
// One phone book entry as the phone lists it. Texts are UTF-8 here; the link converts them to and
// from whatever character set the phone was switched to, so a view or a script never sees the
// phone's own encoding.
#include <cstdint>
#include <string>

inline constexpr uint8_t kStoragePhone = 1; // "ME"
inline constexpr uint8_t kStorageSim = 2;   // "SM"

inline constexpr int kTypeNational = 129;
inline constexpr int kTypeInternational = 145;

struct PhonebookEntry {
    int position = 0;
    std::string number;
    int type = kTypeNational;
    std::string name;
    uint8_t storage = kStoragePhone;

    bool operator==(const PhonebookEntry&) const = default;
};

// "\"ME\"" for 1, "\"SM\"" for 2, empty for anything else. The quotes belong to the name.
const char* StorageName(uint8_t storage);
// 1 for "\"ME\"", 2 for "\"SM\"", 0 otherwise; the unquoted forms are accepted too.
uint8_t StorageCode(const std::string& name);

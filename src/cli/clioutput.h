#pragma once
// How harlune-cli prints records: tab-separated lines or JSON.
#include <ostream>
#include <string>
#include <string_view>

#include "phonelink/melodyentry.h"
#include "phonelink/phonebookentry.h"

// A field for a tab-separated line: tab, CR, LF and backslash escaped so every record stays
// one line with five fields.
std::string TsvField(std::string_view text);
// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// "SM" or "ME".
const char* StorageLabel(uint8_t storage);

void PrintEntryTsv(std::ostream& out, const PhonebookEntry& entry);
std::string EntryJson(const PhonebookEntry& entry);
void PrintMelodyTsv(std::ostream& out, const MelodyEntry& melody);
std::string MelodyJson(const MelodyEntry& melody);

#include "clioutput.h"

#include <cstdio>

std::string TsvField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default:
            // Other control characters from the phone would reach the terminal raw.
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

const char* StorageLabel(uint8_t storage) { return storage == kStorageSim ? "SM" : "ME"; }

void PrintEntryTsv(std::ostream& out, const PhonebookEntry& entry) {
    out << StorageLabel(entry.storage) << '\t' << entry.position << '\t' << TsvField(entry.number) << '\t'
        << entry.type << '\t' << TsvField(entry.name) << '\n';
}

std::string EntryJson(const PhonebookEntry& entry) {
    return std::string("{\"storage\":\"") + StorageLabel(entry.storage) +
           "\",\"position\":" + std::to_string(entry.position) + ",\"number\":" + JsonString(entry.number) +
           ",\"type\":" + std::to_string(entry.type) + ",\"name\":" + JsonString(entry.name) + "}";
}

void PrintMelodyTsv(std::ostream& out, const MelodyEntry& melody) {
    out << melody.index << '\t' << TsvField(melody.text) << '\n';
}

std::string MelodyJson(const MelodyEntry& melody) {
    return "{\"index\":" + std::to_string(melody.index) + ",\"text\":" + JsonString(melody.text) + "}";
}

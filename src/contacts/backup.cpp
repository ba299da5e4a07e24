#include "contacts/backup.h"

#include <nlohmann/json.hpp>

namespace contacts {

namespace {

using nlohmann::json;

constexpr const char* kFormat = "harlune-phone-backup";
constexpr int kVersion = 1;

std::string BareStorageName(uint8_t storage) {
    std::string name = StorageName(storage);
    return name.size() > 2 ? name.substr(1, name.size() - 2) : name;
}

// The reading side: every field checked for its kind and range, with the path in the reason.
struct Reader {
    std::string error;

    const json* Field(const json& object, const char* key, json::value_t kind, const std::string& where) {
        if (!error.empty()) return nullptr;
        const auto it = object.find(key);
        const bool number = kind == json::value_t::number_integer;
        if (it == object.end() || (number ? !it->is_number_integer() : it->type() != kind)) {
            error = where + ": \"" + key + "\" is missing or of the wrong kind";
            return nullptr;
        }
        return &*it;
    }
    std::string Text(const json& object, const char* key, const std::string& where) {
        const json* value = Field(object, key, json::value_t::string, where);
        return value ? value->get<std::string>() : std::string();
    }
    int Integer(const json& object, const char* key, const std::string& where, int64_t low, int64_t high) {
        const json* value = Field(object, key, json::value_t::number_integer, where);
        if (!value) return 0;
        const int64_t n = value->get<int64_t>();
        if (n < low || n > high) {
            error = where + ": \"" + key + "\" is " + std::to_string(n) + ", outside " + std::to_string(low) + "-" +
                    std::to_string(high);
            return 0;
        }
        return static_cast<int>(n);
    }
};

} // namespace

std::string WriteBackup(const PhoneBackup& backup) {
    json books = json::array();
    for (const BackupStorage& storage : backup.storages) {
        json entries = json::array();
        for (const PhonebookEntry& e : storage.entries)
            entries.push_back({{"position", e.position}, {"number", e.number}, {"type", e.type}, {"name", e.name}});
        books.push_back({{"storage", BareStorageName(storage.storage)},
                         {"firstPosition", storage.firstPosition},
                         {"lastPosition", storage.lastPosition},
                         {"nameLength", storage.nameLength},
                         {"numberLength", storage.numberLength},
                         {"entries", std::move(entries)}});
    }
    json melodies = json::array();
    for (const MelodyEntry& m : backup.melodies) melodies.push_back({{"index", m.index}, {"text", m.text}});
    const json document = {
        {"format", kFormat},
        {"version", kVersion},
        {"time", backup.time},
        {"phone", {{"maker", backup.maker}, {"model", backup.model}, {"revision", backup.revision}, {"serial", backup.serial}}},
        {"phonebooks", std::move(books)},
        {"melodies", std::move(melodies)},
    };
    // Texts from the phone are UTF-8 by the time they are here; a stray byte is written as U+FFFD
    // rather than ending the backup.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool ReadBackup(std::string_view text, PhoneBackup* backup, std::string* error) {
    const json document = json::parse(text.begin(), text.end(), nullptr, false);
    auto fail = [&](std::string reason) {
        if (error) *error = std::move(reason);
        return false;
    };
    if (document.is_discarded()) return fail("the file is not valid JSON");
    const auto format = document.is_object() ? document.find("format") : document.end();
    if (!document.is_object() || format == document.end() || !format->is_string() || *format != kFormat)
        return fail("the file is not a phone backup of this program");
    Reader r;
    PhoneBackup read;
    if (const int version = r.Integer(document, "version", "the backup", 1, 1000); r.error.empty() && version > kVersion)
        return fail("the backup was written by a newer version of this program (format " + std::to_string(version) + ")");
    read.time = r.Text(document, "time", "the backup");
    if (const json* phone = r.Field(document, "phone", json::value_t::object, "the backup")) {
        read.maker = r.Text(*phone, "maker", "phone");
        read.model = r.Text(*phone, "model", "phone");
        read.revision = r.Text(*phone, "revision", "phone");
        read.serial = r.Text(*phone, "serial", "phone");
    }
    if (const json* books = r.Field(document, "phonebooks", json::value_t::array, "the backup")) {
        for (size_t b = 0; b < books->size() && r.error.empty(); ++b) {
            const json& book = (*books)[b];
            const std::string where = "phone book " + std::to_string(b + 1);
            if (!book.is_object()) { r.error = where + " is not an object"; break; }
            BackupStorage storage;
            const std::string name = r.Text(book, "storage", where);
            storage.storage = StorageCode(name);
            if (r.error.empty() && storage.storage == 0) { r.error = where + ": unknown storage \"" + name + "\""; break; }
            storage.firstPosition = r.Integer(book, "firstPosition", where, 0, 65535);
            storage.lastPosition = r.Integer(book, "lastPosition", where, 0, 65535);
            storage.nameLength = r.Integer(book, "nameLength", where, 0, 1000);
            storage.numberLength = r.Integer(book, "numberLength", where, 0, 1000);
            if (const json* entries = r.Field(book, "entries", json::value_t::array, where)) {
                for (size_t i = 0; i < entries->size() && r.error.empty(); ++i) {
                    const json& e = (*entries)[i];
                    const std::string at = where + ", entry " + std::to_string(i + 1);
                    if (!e.is_object()) { r.error = at + " is not an object"; break; }
                    PhonebookEntry entry;
                    entry.storage = storage.storage;
                    entry.position = r.Integer(e, "position", at, 1, 65535);
                    entry.number = r.Text(e, "number", at);
                    entry.type = r.Integer(e, "type", at, 0, 255);
                    entry.name = r.Text(e, "name", at);
                    storage.entries.push_back(std::move(entry));
                }
            }
            read.storages.push_back(std::move(storage));
        }
    }
    if (const json* melodies = r.Field(document, "melodies", json::value_t::array, "the backup")) {
        for (size_t i = 0; i < melodies->size() && r.error.empty(); ++i) {
            const json& m = (*melodies)[i];
            const std::string at = "melody " + std::to_string(i + 1);
            if (!m.is_object()) { r.error = at + " is not an object"; break; }
            MelodyEntry melody;
            melody.index = r.Integer(m, "index", at, 0, 65535);
            melody.text = r.Text(m, "text", at);
            read.melodies.push_back(std::move(melody));
        }
    }
    if (!r.error.empty()) return fail(r.error);
    if (backup) *backup = std::move(read);
    return true;
}

} // namespace contacts

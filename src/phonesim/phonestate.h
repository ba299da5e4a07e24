#pragma once
// Everything the emulated phone remembers: both phone books, the user melodies, the ring
// settings, the messages it sent, and the character set and storage last selected.
//
// Texts are held the way the phone holds them: phone-book names as ISO 8859-1 bytes, melodies
// as ASCII in the phone's notation (see IsValidMelodyText), sent messages as UTF-8.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "textcodec/textcodec.h"

namespace phonesim {

struct PhonebookRecord {
    std::string number; // dial string, '+' only as the first character
    int type = 129;     // type of address: 129 national/unknown, 145 international
    std::string name;   // ISO 8859-1 bytes

    bool operator==(const PhonebookRecord&) const = default;
};

struct PhonebookStorage {
    int size = 0;        // highest position; positions run 1..size
    int numberLimit = 0; // dial characters, a leading '+' not counted
    int textLimit = 0;   // characters of the name
    std::map<int, PhonebookRecord> entries;

    bool operator==(const PhonebookStorage&) const = default;
    // Lowest unused position, 0 when the storage is full.
    int FirstFree() const;
};

// Melody notation, the phone family's own (as its AT*ESOM documentation lists it): one tone
// after another, no blanks:
//   c d e f g a b   a short note;  C D E F G A B   a long note
//   prefixes, in this order, before a note: + (an octave up), then # (a half tone up) or
//   (b) (a half tone down)
//   p   a short pause;  P   a long pause
// Example: "cdefGGaaaaG" is the start of a well-known children's song.
//
// The phone also takes the older notation of this program (notes with durations 1 2 4 8, '.',
// sharps after the note, '+'/'-' octave shifts, blanks), so state files and programs written
// for it keep working; IsValidMelodyText accepts either, IsFamilyMelodyText only the above.
constexpr int kMelodyCount = 8;
constexpr int kMelodyTextLimit = 40;
bool IsValidMelodyText(const std::string& text);
bool IsFamilyMelodyText(const std::string& text);
constexpr int kMelodyNoteLimit = 32; // tones and pauses in one melody

struct Melody {
    int index = 0;     // 1..8
    std::string text;  // in the notation above
    int value = 0;     // the phone's flag field for the slot; the program always writes 0

    bool operator==(const Melody&) const = default;
};

// Play levels and sound numbers the phone accepts. Sounds 1..30 are built-in tones, 31..38
// the user melodies 1..8.
constexpr int kMinLevel = 0;
constexpr int kMaxLevel = 7;
constexpr int kMinSound = 1;
constexpr int kMaxSound = 38;
constexpr int kFirstUserMelodySound = 31;

struct SentSms {
    std::string destination; // digits as decoded ('*', '#', 'a'..'c' for the rare codes)
    int typeOfAddress = 129;
    int dataCodingScheme = 0;
    std::string text;        // UTF-8
    std::string pduHex;      // the PDU as received (upper-case hex, service-centre part included)
    int messageReference = 0;

    bool operator==(const SentSms&) const = default;
};

// A short message in one of the message storages, kept as the phone keeps it: the whole PDU
// (service-centre part first) and the 27.005 status.
enum class MessageStatus { ReceivedUnread = 0, ReceivedRead = 1, StoredUnsent = 2, StoredSent = 3 };
struct StoredMessage {
    MessageStatus status = MessageStatus::ReceivedUnread;
    std::string pduHex; // upper-case hex: SMS-DELIVER for received, SMS-SUBMIT for stored ones

    bool operator==(const StoredMessage&) const = default;
};

struct MessageStorage {
    int size = 0;                          // positions 1..size
    std::map<int, StoredMessage> messages; // by position
    bool operator==(const MessageStorage&) const = default;
    int FirstFree() const;                 // 0 when full
};

// What the network side looks like; set live (control interface, tests), not saved.
struct NetworkStatus {
    int registration = 1; // +CREG <stat>: 0 not searching, 1 home, 2 searching, 3 denied, 5 roaming
    int signal = 22;      // +CSQ <rssi> 0..31, 99 unknown
    int battery = 80;     // +CBC percent
    bool simBusy = false; // phone-book and message commands on the SIM answer +CME ERROR: 14

    bool operator==(const NetworkStatus&) const = default;
};

// The AT+CSCS sets and their names are the shared ones; ParseCharset is case-insensitive.
using textcodec::Charset;
using textcodec::CharsetName;
bool ParseCharset(const std::string& name, Charset* out);

struct PhoneState {
    PhonebookStorage sim;    // "SM"
    PhonebookStorage memory; // "ME"
    std::vector<Melody> melodies; // kMelodyCount entries, index 1..8 in order
    int ringLevel = 5;
    int ringSound = 1;
    int lastPlayedLevel = 0; // 0/0: nothing played yet
    int lastPlayedSound = 0;
    std::vector<SentSms> sent;
    int nextMessageReference = 1; // 0..255, wraps
    Charset charset = Charset::Latin1;
    std::string selectedStorage = "ME"; // "SM" or "ME"
    // Messages: the SIM's and the phone's storage, and the +CPMS choice for reading and
    // deleting, for writing and sending, and for receiving.
    MessageStorage smsSim{20, {}};
    MessageStorage smsMemory{100, {}};
    std::string smsStorages[3] = {"SM", "SM", "SM"};
    std::string serviceCentre = "+491710760000"; // +CSCA, as the user types it
    int serviceCentreType = 145;
    std::string ownNumber = "+491701234567";     // +CNUM
    long long clockOffset = 0;                   // +CCLK minus the system clock, seconds
    int functionality = 1;                       // +CFUN
    NetworkStatus network;                       // not in the state file

    bool operator==(const PhoneState&) const = default;

    // Empty storages with realistic sizes (SIM 250 positions, 40 digits, 18 characters; phone
    // memory 500 positions, 40 digits, 24 characters) and eight empty melodies.
    static PhoneState Empty();
    // About 30 SIM and 60 phone-memory entries, eight melodies.
    static PhoneState Demo();

    // "SM" or "ME" (case-insensitive); null for any other name.
    PhonebookStorage* Storage(const std::string& name);
    const PhonebookStorage* Storage(const std::string& name) const;
    // The message storage "SM" or "ME" (case-insensitive); null otherwise.
    MessageStorage* Messages(const std::string& name);
    const MessageStorage* Messages(const std::string& name) const;
};

// The state file: see statefile.cpp for the format. Save writes a temporary file beside the
// target and renames it, so a crash never leaves half a file. Both return false with a reason.
bool SaveState(const PhoneState& state, const std::string& path, std::string* error);
bool LoadState(const std::string& path, PhoneState* state, std::string* error);
// The same on text, for tests and for callers that keep the state elsewhere.
std::string FormatState(const PhoneState& state);
bool ParseState(const std::string& text, PhoneState* state, std::string* error);

} // namespace phonesim

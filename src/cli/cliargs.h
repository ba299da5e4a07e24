#pragma once
// The command line of harlune-cli, parsed without touching the phone.
#include <map>
#include <optional>
#include <string>
#include <vector>

struct CliRequest {
    std::optional<int> port;           // --port N
    std::optional<std::string> device; // --device PATH
    bool json = false;
    bool debug = false;                // --debug: the AT transcript on stderr
    bool help = false;
    bool version = false;
    std::vector<std::string> words;            // "phonebook", "read"
    std::map<std::string, std::string> values; // "storage" -> "SM"
};

// False with a reason for anything malformed: an unknown option, a missing value, both or
// neither of --port and --device (unless only --help or --version is asked).
bool ParseCliArgs(const std::vector<std::string>& args, CliRequest& out, std::string& error);

// The first word that is not an option or an option's value ("devices", "phonebook", ...).
std::string FirstCommandWord(const std::vector<std::string>& args);

// A whole decimal number in [minimum, maximum], or nullopt.
std::optional<int> ParseCliInt(const std::string& text, int minimum, int maximum);

extern const char* const kCliUsage;

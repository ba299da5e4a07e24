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

// One long option of a command line ("--name VALUE", "--name=VALUE" or a bare "--json").
struct OptionSpec {
    const char* name;
    bool takesValue;
    char shortName = 0; // a one-letter alias ("-h"), 0 for none
};

struct ReadOption {
    std::string name;
    std::optional<std::string> value;
};

struct ReadLine {
    std::vector<ReadOption> options; // in command-line order
    std::vector<std::string> words;  // everything that is not an option or an option's value
};

// What was wrong with a line, for each caller to say in its own words.
struct OptionError {
    enum class Kind { Unknown, MissingValue, UnwantedValue } kind = Kind::Unknown;
    std::string option; // the option's name without dashes ("to", "json")
    std::string text;   // the command-line argument as given ("--bogus=1")
};

// Splits args (without the program name) with getopt_long: options anywhere among the words,
// "--" ends the options. On a fault it reads on and gives the first fault, with every word. Only whole option names count: getopt's unique abbreviations
// ("--dev") are refused as unknown, so a shortened option never changes meaning when another
// one is added later.
bool ReadOptions(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs, ReadLine& out,
                 OptionError& error);

// False with a reason for anything malformed: an unknown option, a missing value, both or
// neither of --port and --device (unless only --help or --version is asked).
bool ParseCliArgs(const std::vector<std::string>& args, CliRequest& out, std::string& error);

// The first word that is not an option or an option's value ("devices", "phonebook", ...);
// moreOptions are the options of commands that parse their own lines.
std::string FirstCommandWord(const std::vector<std::string>& args, const std::vector<OptionSpec>& moreOptions);

// A whole decimal number in [minimum, maximum], or nullopt.
std::optional<int> ParseCliInt(const std::string& text, int minimum, int maximum);

extern const char* const kCliUsage;

#include "cliargs.h"

#include <getopt.h>

const char* const kCliUsage =
    "usage: harlune-cli (--port N | --device PATH) [--json] [--debug] COMMAND\n"
    "\n"
    "commands:\n"
    "  phonebook read [--storage SM|ME]\n"
    "  phonebook add --storage SM|ME --name TEXT --number NUMBER\n"
    "  phonebook modify --storage SM|ME --position P --name TEXT --number NUMBER\n"
    "  phonebook delete --storage SM|ME --position P\n"
    "  melody list\n"
    "  melody write --index I --text MELODY\n"
    "  melody play --sound S --level L\n"
    "  melody set-default --sound S\n"
    "  sms send --to NUMBER --text TEXT\n"
    "  sms list|read|watch|delete|archive|export ...  stored and new messages and the local\n"
    "                     archive (see harlune-cli sms --help)\n"
    "  phonebook export --format vcf|csv [--vcard 2.1|3.0] [--storage SM|ME] FILE\n"
    "  phonebook import FILE [--storage SM|ME] [--dry-run] [--update-changed]\n"
    "  phonebook copy --from SM|ME --to ME|SM [--move] [--dry-run] [--update-changed]\n"
    "  backup FILE        both phone books, the melodies, the phone's identity and the time\n"
    "  restore FILE [--dry-run] [--update-changed]\n"
    "                     (see harlune-cli phonebook import --help)\n"
    "  devices ...        Bluetooth devices (see harlune-cli devices --help)\n"
    "  push ...           send a picture (see harlune-cli push --help)\n"
    "  ports [--json]     serial ports of phones and modems, their holders, whether they answer AT\n"
    "\n"
    "--port N opens COMn as registered for the Bluetooth link; --device PATH opens a serial\n"
    "device directly (a phone on a USB cable, a modem). Texts are UTF-8. Output is one entry\n"
    "per line, fields separated by tabs (a tab, line break or backslash inside a field is\n"
    "written as \\t, \\n, \\\\), or JSON with --json.\n"
    "\n"
    "exit status: 0 done, 1 the phone refused (reason on stderr), 2 usage error,\n"
    "3 the port could not be opened or the connection failed.\n";

namespace {

const std::vector<OptionSpec> kCliOptions = {
    {"port", true},   {"device", true}, {"storage", true}, {"name", true},  {"number", true},
    {"position", true}, {"index", true}, {"text", true},  {"sound", true},  {"level", true},
    {"to", true},     {"json", false},  {"debug", false},  {"help", false}, {"version", false},
};

// The option name of an argument: "--to=1" gives "to".
std::string optionNameOf(std::string_view arg) {
    arg.remove_prefix(arg.starts_with("--") ? 2 : arg.starts_with("-") ? 1 : 0);
    return std::string(arg.substr(0, arg.find('=')));
}

} // namespace

bool ReadOptions(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs, ReadLine& out,
                 OptionError& error) {
    // getopt_long wants writable C strings; the first element stands for the program.
    std::vector<std::string> storage;
    storage.reserve(args.size() + 1);
    storage.push_back("harlune-cli");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    constexpr int kFirstLong = 256; // getopt's return values for the long options, above any char
    std::vector<option> longOptions;
    // '-': words come back in order as 1 (so options may follow words even under
    // POSIXLY_CORRECT); ':': a missing value is told apart from an unknown option.
    std::string shortOptions = "-:";
    for (size_t i = 0; i < specs.size(); ++i) {
        longOptions.push_back({specs[i].name, specs[i].takesValue ? required_argument : no_argument, nullptr,
                               kFirstLong + static_cast<int>(i)});
        if (specs[i].shortName) {
            shortOptions += specs[i].shortName;
            if (specs[i].takesValue)
                shortOptions += ':';
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});
    auto specOf = [&](int value) -> const OptionSpec* {
        if (value >= kFirstLong && value < kFirstLong + static_cast<int>(specs.size()))
            return &specs[static_cast<size_t>(value - kFirstLong)];
        for (const OptionSpec& spec : specs)
            if (spec.shortName && spec.shortName == value)
                return &spec;
        return nullptr;
    };

    ReadLine line;
    bool wrongSeen = false;
    auto fail = [&](OptionError what) {
        if (!wrongSeen)
            error = std::move(what);
        wrongSeen = true;
    };
    optind = 0; // glibc: start over, forgetting any earlier line
    opterr = 0; // the messages are the caller's
    for (int c; (c = getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), nullptr)) != -1;) {
        if (c == 1) {
            line.words.push_back(optarg);
            continue;
        }
        // The argument just read; a value given as the next argument moved optind one further.
        int at = optind - 1;
        if (optarg && at > 1 && optarg == argv[static_cast<size_t>(at)])
            --at;
        const std::string text = at >= 1 && at < argc ? argv[static_cast<size_t>(at)] : std::string();
        const OptionSpec* spec = specOf(c == '?' || c == ':' ? optopt : c);
        if (c == '?' && !spec && optopt > 0 && optopt < kFirstLong) {
            // An unknown letter, possibly inside a cluster such as "-hx".
            fail({OptionError::Kind::Unknown, std::string(1, char(optopt)), "-" + std::string(1, char(optopt))});
            continue;
        }
        if (c == '?' || c == ':') {
            fail({c == ':' ? OptionError::Kind::MissingValue
                  : spec   ? OptionError::Kind::UnwantedValue
                           : OptionError::Kind::Unknown,
                  spec ? spec->name : optionNameOf(text), text});
            continue;
        }
        // getopt accepts unique abbreviations; the argument must name the option in full.
        if (text.starts_with("--") && optionNameOf(text) != spec->name) {
            fail({OptionError::Kind::Unknown, optionNameOf(text), text});
            continue;
        }
        line.options.push_back({spec->name, optarg ? std::optional<std::string>(optarg) : std::nullopt});
    }
    for (int i = optind; i < argc; ++i) // after "--"
        line.words.push_back(argv[static_cast<size_t>(i)]);
    out = std::move(line);
    return !wrongSeen;
}

std::string FirstCommandWord(const std::vector<std::string>& args, const std::vector<OptionSpec>& moreOptions) {
    std::vector<OptionSpec> all = kCliOptions;
    all.insert(all.end(), moreOptions.begin(), moreOptions.end());
    ReadLine line;
    OptionError ignored; // the command's own parser reports it
    ReadOptions(args, all, line, ignored);
    return line.words.empty() ? std::string() : line.words.front();
}
std::optional<int> ParseCliInt(const std::string& text, int minimum, int maximum) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

bool ParseCliArgs(const std::vector<std::string>& args, CliRequest& out, std::string& error) {
    ReadLine line;
    OptionError wrong;
    if (!ReadOptions(args, kCliOptions, line, wrong)) {
        switch (wrong.kind) {
        case OptionError::Kind::Unknown:
            error = "unknown option " + (wrong.text.starts_with("--") ? "--" + wrong.option : wrong.text);
            break;
        case OptionError::Kind::MissingValue: error = "--" + wrong.option + " needs a value"; break;
        case OptionError::Kind::UnwantedValue: error = "--" + wrong.option + " takes no value"; break;
        }
        return false;
    }
    CliRequest request;
    request.words = std::move(line.words);
    for (ReadOption& option : line.options) {
        const std::string& name = option.name;
        if (!option.value) {
            (name == "json" ? request.json : name == "debug" ? request.debug
                                         : name == "help"    ? request.help
                                                             : request.version) = true;
            continue;
        }
        if (request.values.count(name)) {
            error = "--" + name + " given twice";
            return false;
        }
        request.values[name] = std::move(*option.value);
    }
    if (auto it = request.values.find("port"); it != request.values.end()) {
        request.port = ParseCliInt(it->second, 1, 255);
        if (!request.port) {
            error = "--port needs a number from 1 to 255";
            return false;
        }
        request.values.erase(it);
    }
    if (auto it = request.values.find("device"); it != request.values.end()) {
        request.device = it->second;
        request.values.erase(it);
    }
    if (request.port && request.device) {
        error = "give either --port or --device, not both";
        return false;
    }
    if (!request.help && !request.version && !request.port && !request.device) {
        error = "give --port N or --device PATH";
        return false;
    }
    out = std::move(request);
    return true;
}

#include "cliargs.h"

#include <set>

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

const std::set<std::string> kValueOptions = {"port", "device", "storage", "name", "number", "position",
                                             "index", "text", "sound", "level", "to"};

} // namespace

std::string FirstCommandWord(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (!args[i].starts_with("--"))
            return args[i];
        std::string name = args[i].substr(2);
        if (name.find('=') == std::string::npos && kValueOptions.count(name))
            ++i;
    }
    return {};
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
    CliRequest request;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            request.words.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.erase(eq);
        }
        if (name == "json" || name == "debug" || name == "help" || name == "version") {
            if (inlineValue) {
                error = "--" + name + " takes no value";
                return false;
            }
            (name == "json" ? request.json : name == "debug" ? request.debug
                                         : name == "help"    ? request.help
                                                             : request.version) = true;
            continue;
        }
        if (!kValueOptions.count(name)) {
            error = "unknown option --" + name;
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = "--" + name + " needs a value";
                return false;
            }
            inlineValue = args[++i];
        }
        if (request.values.count(name)) {
            error = "--" + name + " given twice";
            return false;
        }
        request.values[name] = *inlineValue;
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

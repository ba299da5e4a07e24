// harlune-phonesim: the emulated phone as a program, for people and third-party tools.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <getopt.h>

#include "phonesim/control.h"
#include "phonesim/dialect.h"
#include "phonesim/obexreceiver.h"
#include "phonesim/statestore.h"
#include "phonesim/phone.h"
#include "phonesim/server.h"
#include "platform/paths.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: harlune-phonesim (--pty | --tcp PORT | --stdio) [options]\n"
    "\n"
    "An emulated GSM phone answering AT commands (phone book, melodies, SMS in PDU mode).\n"
    "\n"
    "Where it listens (exactly one):\n"
    "  --pty              serve a pseudo-terminal; its device path is printed on stdout\n"
    "  --tcp PORT         serve 127.0.0.1:PORT (0 picks a free port, printed on stdout)\n"
    "  --stdio            serve standard input and output\n"
    "\n"
    "Options:\n"
    "  --state FILE       load the phone from FILE and save every change there; a missing\n"
    "                     file is created from the demo data\n"
    "  --rate BPS         pace replies at BPS bits per second (10 bits per byte)\n"
    "  --chunks           send replies in random pieces with small gaps\n"
    "  --seed N           seed for --chunks (default 1)\n"
    "  --fault PREFIX:ACTION[:COUNT]\n"
    "                     misbehave on command lines starting with PREFIX (any case);\n"
    "                     ACTION is error, cme=N, cms=N, silent, drop (mid-reply) or hangup;\n"
    "                     COUNT limits how many lines it hits. Repeatable.\n"
    "  --obex-tcp PORT    also run the OBEX object push service on 127.0.0.1:PORT (0 picks\n"
    "                     one); \"OBEX PORT\" is printed after the line above (on stderr\n"
    "                     with --stdio)\n"
    "  --obex-dir DIR     where pushed objects are stored (default: the user data folder's\n"
    "                     phonesim-received)\n"
    "  --help             show this text\n"
    "\n"
    "Runs until interrupted (SIGINT/SIGTERM), or with --stdio until the input ends.\n"
    "Exit status: 0 ok, 1 failure, 2 usage error.\n"
    "\n"
    "Profiles:\n";

int Usage(const std::string& message) {
    std::fprintf(stderr, "harlune-phonesim: %s\n(try --help)\n", message.c_str());
    return kExitUsage;
}

bool ParseUnsigned(const char* text, unsigned long max, unsigned long* value) {
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long v = std::strtoul(text, &end, 10);
    if (*end || errno || v > max || text[0] == '-')
        return false;
    *value = v;
    return true;
}

} // namespace

namespace {

enum Option {
    kOptPty = 1000, kOptTcp, kOptStdio, kOptState, kOptRate, kOptChunks, kOptSeed, kOptFault, kOptObexTcp,
    kOptObexDir, kOptProfile, kOptControl, kOptSend
};

// The message for an option given without its value.
std::string MissingValue(int option) {
    switch (option) {
    case kOptTcp: return "--tcp needs a port number 0..65535";
    case kOptObexTcp: return "--obex-tcp needs a port number 0..65535";
    case kOptObexDir: return "--obex-dir needs a folder";
    case kOptState: return "--state needs a file name";
    case kOptRate: return "--rate needs bits per second (0 = unpaced)";
    case kOptSeed: return "--seed needs a number";
    case kOptFault: return "--fault needs PREFIX:ACTION[:COUNT]";
    case kOptProfile: return "--profile needs a name (see --help)";
    case kOptControl: return "--control needs a socket path";
    case kOptSend: return "--send needs a socket path and a command";
    default: return "an option needs a value";
    }
}

std::string ProfileList() {
    std::string list;
    for (const phonesim::Dialect& d : phonesim::Dialects())
        list += "                     " + d.name + ": " + d.imitates + "\n";
    return list;
}

} // namespace

int main(int argc, char** argv) {
    enum class Mode { None, Pty, Tcp, Stdio } mode = Mode::None;
    unsigned long tcpPort = 0;
    std::string stateFile;
    phonesim::ServeOptions options;
    std::vector<phonesim::FaultRule> faults;
    bool obex = false;
    unsigned long obexPort = 0;
    std::string obexDir;
    phonesim::Dialect dialect;
    std::string controlPath;
    std::string sendPath;

    static const option kLongOptions[] = {
        {"help", no_argument, nullptr, 'h'},
        {"pty", no_argument, nullptr, kOptPty},
        {"tcp", required_argument, nullptr, kOptTcp},
        {"stdio", no_argument, nullptr, kOptStdio},
        {"state", required_argument, nullptr, kOptState},
        {"rate", required_argument, nullptr, kOptRate},
        {"chunks", no_argument, nullptr, kOptChunks},
        {"seed", required_argument, nullptr, kOptSeed},
        {"fault", required_argument, nullptr, kOptFault},
        {"obex-tcp", required_argument, nullptr, kOptObexTcp},
        {"obex-dir", required_argument, nullptr, kOptObexDir},
        {"profile", required_argument, nullptr, kOptProfile},
        {"control", required_argument, nullptr, kOptControl},
        {"send", required_argument, nullptr, kOptSend},
        {nullptr, 0, nullptr, 0},
    };
    auto setMode = [&](Mode m) {
        if (mode != Mode::None)
            return false;
        mode = m;
        return true;
    };
    opterr = 0; // our own messages below
    for (;;) {
        int index = -1;
        int c = getopt_long(argc, argv, ":h", kLongOptions, &index);
        if (c == -1)
            break;
        switch (c) {
        case 'h':
            std::fputs(kUsage, stdout);
            std::fputs(ProfileList().c_str(), stdout);
            return kExitOk;
        case kOptPty:
        case kOptStdio:
            if (!setMode(c == kOptPty ? Mode::Pty : Mode::Stdio))
                return Usage("give only one of --pty, --tcp, --stdio");
            break;
        case kOptTcp:
            if (!setMode(Mode::Tcp))
                return Usage("give only one of --pty, --tcp, --stdio");
            if (!ParseUnsigned(optarg, 65535, &tcpPort))
                return Usage(MissingValue(c));
            break;
        case kOptObexTcp:
            obex = true;
            if (!ParseUnsigned(optarg, 65535, &obexPort))
                return Usage(MissingValue(c));
            break;
        case kOptObexDir:
        case kOptState:
        case kOptControl:
            if (!*optarg)
                return Usage(MissingValue(c));
            (c == kOptObexDir ? obexDir : c == kOptState ? stateFile : controlPath) = optarg;
            break;
        case kOptRate: {
            unsigned long bps = 0;
            if (!ParseUnsigned(optarg, 10000000, &bps))
                return Usage(MissingValue(c));
            options.bitsPerSecond = static_cast<unsigned>(bps);
            break;
        }
        case kOptChunks:
            options.randomChunks = true;
            break;
        case kOptSeed: {
            unsigned long seed = 0;
            if (!ParseUnsigned(optarg, 0xFFFFFFFFul, &seed))
                return Usage(MissingValue(c));
            options.seed = static_cast<uint32_t>(seed);
            break;
        }
        case kOptFault: {
            phonesim::FaultRule rule;
            std::string error;
            if (!phonesim::ParseFaultRule(optarg, &rule, &error))
                return Usage("--fault " + std::string(optarg) + ": " + error);
            faults.push_back(rule);
            break;
        }
        case kOptProfile: {
            const phonesim::Dialect* found = phonesim::FindDialect(optarg);
            if (!found)
                return Usage("unknown profile \"" + std::string(optarg) + "\" (see --help)");
            dialect = *found;
            break;
        }
        case kOptSend:
            sendPath = optarg;
            break;
        case ':':
            return Usage(MissingValue(optopt));
        default:
            return Usage("unknown argument \"" + std::string(argv[optind - 1]) + "\"");
        }
    }
    if (!sendPath.empty()) {
        // --send PATH COMMAND...: one control command to a running phone, its reply on stdout.
        std::string command;
        for (int i = optind; i < argc; ++i)
            command += (command.empty() ? "" : " ") + std::string(argv[i]);
        if (command.empty())
            return Usage(MissingValue(kOptSend));
        std::string reply;
        bool sent = phonesim::SendControlCommand(sendPath, command, &reply);
        std::fprintf(sent ? stdout : stderr, "%s%s\n", sent ? "" : "harlune-phonesim: ", reply.c_str());
        return sent && reply.rfind("OK", 0) == 0 ? kExitOk : kExitFailure;
    }
    if (optind < argc)
        return Usage("unknown argument \"" + std::string(argv[optind]) + "\"");
    if (mode == Mode::None)
        return Usage("say where to serve: --pty, --tcp PORT or --stdio");

    phonesim::PhoneState state = phonesim::PhoneState::Demo();
    std::shared_ptr<phonesim::StateFileLock> stateLock;
    bool saveState = false;
    if (!stateFile.empty()) {
        phonesim::OpenedState opened = phonesim::OpenStateFile(stateFile);
        state = std::move(opened.state);
        saveState = opened.SaveToFile();
        stateLock = std::move(opened.lock);
        if (!opened.message.empty())
            std::fprintf(stderr, "harlune-phonesim: %s\n", opened.message.c_str());
    }
    auto phone = phonesim::Phone::Create(state);
    phone->SetDialect(dialect);
    if (saveState) {
        phone->SetStateFile(stateFile);
        phone->HoldStateLock(stateLock);
    }
    for (auto& f : faults)
        phone->AddFault(f);

    // A reader that went away must not kill the phone; the write just fails.
    std::signal(SIGPIPE, SIG_IGN);

    // Block the stop signals before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    if (mode != Mode::Stdio)
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::unique_ptr<phonesim::ObexTcpReceiver> obexReceiver;
    if (!obexDir.empty() && !obex)
        return Usage("--obex-dir goes with --obex-tcp");
    if (obex) {
        if (obexDir.empty())
            obexDir = platform::UserDataDir() + "/phonesim-received";
        if (!platform::MakeDirs(obexDir)) {
            std::fprintf(stderr, "harlune-phonesim: cannot create %s\n", obexDir.c_str());
            return kExitFailure;
        }
        obex::PushServerOptions obexOptions;
        obexOptions.folder = obexDir;
        obexReceiver = std::make_unique<phonesim::ObexTcpReceiver>(obexOptions);
        std::string error;
        if (!obexReceiver->Start(static_cast<uint16_t>(obexPort), &error)) {
            std::fprintf(stderr, "harlune-phonesim: %s\n", error.c_str());
            return kExitFailure;
        }
    }
    std::unique_ptr<phonesim::ControlServer> control;
    if (!controlPath.empty()) {
        control = std::make_unique<phonesim::ControlServer>(phone);
        std::string error;
        if (!control->Start(controlPath, &error)) {
            std::fprintf(stderr, "harlune-phonesim: %s\n", error.c_str());
            return kExitFailure;
        }
    }
    auto announceObex = [&](FILE* to) {
        if (obexReceiver) {
            std::fprintf(to, "OBEX %u\n", obexReceiver->Port());
            std::fflush(to);
        }
    };

    if (mode == Mode::Stdio) {
        announceObex(stderr);
        std::string error;
        if (!phonesim::ServeDescriptors(*phone, STDIN_FILENO, STDOUT_FILENO, options, -1, &error)) {
            std::fprintf(stderr, "harlune-phonesim: %s\n", error.c_str());
            return kExitFailure;
        }
        return kExitOk;
    }


    std::string error;
    if (mode == Mode::Pty) {
        phonesim::PtyPhone server(phone, options);
        if (!server.Start(&error)) {
            std::fprintf(stderr, "harlune-phonesim: %s\n", error.c_str());
            return kExitFailure;
        }
        std::printf("%s\n", server.DevicePath().c_str());
        std::fflush(stdout);
        announceObex(stdout);
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
    } else {
        phonesim::TcpPhoneServer server(phone, options);
        if (!server.Start(static_cast<uint16_t>(tcpPort), &error)) {
            std::fprintf(stderr, "harlune-phonesim: %s\n", error.c_str());
            return kExitFailure;
        }
        std::printf("%u\n", server.Port());
        std::fflush(stdout);
        announceObex(stdout);
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
    }
    std::string saveError = phone->LastSaveError();
    if (!saveError.empty()) {
        std::fprintf(stderr, "harlune-phonesim: %s\n", saveError.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

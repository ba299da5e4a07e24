// harlune-phonesim: the emulated phone as a program, for people and third-party tools.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "phonesim/obexreceiver.h"
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
    "Exit status: 0 ok, 1 failure, 2 usage error.\n";

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

int main(int argc, char** argv) {
    enum class Mode { None, Pty, Tcp, Stdio } mode = Mode::None;
    unsigned long tcpPort = 0;
    std::string stateFile;
    phonesim::ServeOptions options;
    std::vector<phonesim::FaultRule> faults;
    bool obex = false;
    unsigned long obexPort = 0;
    std::string obexDir;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc)
                return nullptr;
            (void)what;
            return argv[++i];
        };
        auto setMode = [&](Mode m) {
            if (mode != Mode::None)
                return false;
            mode = m;
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (arg == "--pty") {
            if (!setMode(Mode::Pty))
                return Usage("give only one of --pty, --tcp, --stdio");
        } else if (arg == "--stdio") {
            if (!setMode(Mode::Stdio))
                return Usage("give only one of --pty, --tcp, --stdio");
        } else if (arg == "--tcp") {
            if (!setMode(Mode::Tcp))
                return Usage("give only one of --pty, --tcp, --stdio");
            if (!ParseUnsigned(value("port"), 65535, &tcpPort))
                return Usage("--tcp needs a port number 0..65535");
        } else if (arg == "--obex-tcp") {
            obex = true;
            if (!ParseUnsigned(value("port"), 65535, &obexPort))
                return Usage("--obex-tcp needs a port number 0..65535");
        } else if (arg == "--obex-dir") {
            const char* v = value("dir");
            if (!v || !*v)
                return Usage("--obex-dir needs a folder");
            obexDir = v;
        } else if (arg == "--state") {
            const char* v = value("file");
            if (!v || !*v)
                return Usage("--state needs a file name");
            stateFile = v;
        } else if (arg == "--rate") {
            unsigned long bps = 0;
            if (!ParseUnsigned(value("bps"), 10000000, &bps))
                return Usage("--rate needs bits per second (0 = unpaced)");
            options.bitsPerSecond = static_cast<unsigned>(bps);
        } else if (arg == "--chunks") {
            options.randomChunks = true;
        } else if (arg == "--seed") {
            unsigned long seed = 0;
            if (!ParseUnsigned(value("seed"), 0xFFFFFFFFul, &seed))
                return Usage("--seed needs a number");
            options.seed = static_cast<uint32_t>(seed);
        } else if (arg == "--fault") {
            const char* v = value("rule");
            phonesim::FaultRule rule;
            std::string error;
            if (!v)
                return Usage("--fault needs PREFIX:ACTION[:COUNT]");
            if (!phonesim::ParseFaultRule(v, &rule, &error))
                return Usage("--fault " + std::string(v) + ": " + error);
            faults.push_back(rule);
        } else {
            return Usage("unknown argument \"" + arg + "\"");
        }
    }
    if (mode == Mode::None)
        return Usage("say where to serve: --pty, --tcp PORT or --stdio");

    phonesim::PhoneState state = phonesim::PhoneState::Demo();
    if (!stateFile.empty()) {
        struct stat st;
        if (stat(stateFile.c_str(), &st) == 0) {
            std::string error;
            if (!phonesim::LoadState(stateFile, &state, &error)) {
                std::fprintf(stderr, "harlune-phonesim: %s\n", error.c_str());
                return kExitFailure;
            }
        } else {
            std::string error;
            if (!phonesim::SaveState(state, stateFile, &error)) {
                std::fprintf(stderr, "harlune-phonesim: %s\n", error.c_str());
                return kExitFailure;
            }
        }
    }
    auto phone = phonesim::Phone::Create(state);
    if (!stateFile.empty())
        phone->SetStateFile(stateFile);
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

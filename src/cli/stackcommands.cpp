#include "stackcommands.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>

#include "bluetooth/stackchoice.h"
#include "btstack/backend.h"
#ifdef HARLUNE_HAVE_BLUEZ_BACKEND
#include "btstack/bluez/bluezbackend.h"
#endif
#include "btstack/btif.h"
#include "cli/cliargs.h"
#include "cli/clioutput.h"
#include "btstack/obexclient.h"
#include "btstack/obexpush.h"
#include "obex/transport.h"
#include "platform/event.h"
#include "platform/registry.h"
#include "pushfile.h"

namespace {

enum { kOk = 0, kRefused = 1, kUsage = 2, kConnection = 3 };

constexpr const char* kStackUsage =
    "usage: harlune-cli devices [--stack=sim|bluez] [--json]\n"
    "       harlune-cli push FILE (--tcp HOST:PORT | --bt ADDRESS) [--stack=sim|bluez] [--json]\n"
    "  devices  the devices the Bluetooth stack knows: address, name, class of device, and\n"
    "           whether the device selection lists it (class 52 02 04, a cellular phone)\n"
    "  push     sends FILE by OBEX object push as \"Dunmere.gif\" in 599-byte PUTs, to an OBEX\n"
    "           server over TCP, or to a device's object push service through the stack\n"
    "  without --stack: BlueZ when it has an adapter, the demo phone otherwise\n"
    "exit status: 0 ok, 1 the receiver refused, 2 usage, 3 connection failed\n";

constexpr size_t kChunk = 599; // the program's PUT chunk and its announced maximum packet

struct StackArgs {
    std::string command;
    std::string file;
    std::string stack; // empty: BlueZ when it has an adapter, the demo phone otherwise
    std::optional<std::string> tcp;
    std::optional<std::string> bt;
    bool json = false;
    bool help = false;
};

const std::vector<OptionSpec> kStackOptions = {
    {"json", false}, {"help", false, 'h'}, {"stack", true}, {"tcp", true}, {"bt", true}};

bool parseArgs(const std::vector<std::string>& args, StackArgs* parsed, std::string* error) {
    ReadLine line;
    OptionError wrong;
    if (!ReadOptions(args, kStackOptions, line, wrong)) {
        *error = wrong.kind == OptionError::Kind::MissingValue ? "--" + wrong.option + " needs a value"
                                                               : "unknown option " + wrong.text;
        return false;
    }
    for (const ReadOption& option : line.options) {
        if (option.name == "json")
            parsed->json = true;
        else if (option.name == "help")
            parsed->help = true;
        else if (option.name == "stack")
            parsed->stack = *option.value;
        else if (option.name == "tcp")
            parsed->tcp = *option.value;
        else
            parsed->bt = *option.value;
    }
    for (const std::string& word : line.words) {
        if (parsed->command.empty())
            parsed->command = word;
        else if (parsed->command == "push" && parsed->file.empty())
            parsed->file = word;
        else
            return *error = "unexpected argument " + word, false;
    }
    return true;
}

// "HOST:PORT" or "[v6]:PORT".
bool splitHostPort(const std::string& text, std::string* host, uint16_t* port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size())
        return false;
    *host = text.substr(0, colon);
    if (host->size() > 2 && host->front() == '[' && host->back() == ']')
        *host = host->substr(1, host->size() - 2);
    unsigned long n = 0;
    for (char c : text.substr(colon + 1)) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + unsigned(c - '0');
        if (n > 65535)
            return false;
    }
    if (n == 0)
        return false;
    *port = uint16_t(n);
    return true;
}

bool chooseStack(const StackArgs& args, const stackchoice::BluezProbe& probe, std::ostream& err, int* status) {
    const stackchoice::StackChoice choice = stackchoice::ChooseStack(args.stack, probe);
    // Only an automatic choice is worth a word: an explicit --stack needs no explaining, and
    // stdout stays the listing alone.
    if (args.stack.empty())
        err << "harlune-cli: " << choice.statusLine << "\n";
    std::string error;
    std::shared_ptr<btstack::Backend> backend = btstack::CreateBackend(choice.stack, &error);
    if (!backend) {
        err << "harlune-cli: " << error << "\n";
        *status = kConnection;
        return false;
    }
    btstack::SetBackend(std::move(backend));
    return true;
}

// The device selection's reading of the list: one key level at a time, at most 255 subkeys,
// 256-byte buffers, the first three class bytes compared.
int listDevices(const StackArgs& args, const stackchoice::BluezProbe& probe, std::ostream& out, std::ostream& err) {
    using namespace platform;
    int status = kOk;
    if (!chooseStack(args, probe, err, &status))
        return status;
#ifdef HARLUNE_HAVE_BLUEZ_BACKEND
    // An unreachable BlueZ leaves the list empty; printed as is, that would read as "no devices"
    // with a success status.
    if (auto* bluez = dynamic_cast<btstack::bluez::BluezBackend*>(btstack::CurrentBackend().get())) {
        if (const std::string why = bluez->LastDeviceListError(); !why.empty()) {
            err << "harlune-cli: no device list from BlueZ: " << why << "\n";
            return kConnection;
        }
    }
#endif
    HKEY keys[4] = {};
    const char* names[4] = {"SOFTWARE", "Tarvex", "BTConfig", "Devices"};
    HKEY parent = HKEY_LOCAL_MACHINE;
    int opened = 0;
    for (; opened < 4; ++opened) {
        if (RegOpenKeyEx(parent, names[opened], 0, kKeyAllAccess, &keys[opened]) != kErrorSuccess)
            break;
        parent = keys[opened];
    }
    std::string json = "[";
    if (opened == 4) {
        char keyName[256];
        for (uint32_t index = 0;
             index < 255 && RegEnumKey(keys[3], index, keyName, sizeof keyName) == kErrorSuccess; ++index) {
            HKEY device = nullptr;
            if (RegOpenKeyEx(keys[3], keyName, 0, kKeyAllAccess, &device) != kErrorSuccess)
                continue;
            uint8_t buffer[256];
            uint32_t size = sizeof buffer;
            std::string name;
            if (RegQueryValueEx(device, "Name", nullptr, nullptr, buffer, &size) == kErrorSuccess)
                name.assign(reinterpret_cast<const char*>(buffer), strnlen(reinterpret_cast<const char*>(buffer), size));
            size = sizeof buffer;
            std::string devClass = "";
            bool listed = false;
            if (RegQueryValueEx(device, "DevClass", nullptr, nullptr, buffer, &size) == kErrorSuccess && size >= 3) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "%02x%02x%02x", buffer[0], buffer[1], buffer[2]);
                devClass = hex;
                listed = buffer[0] == 0x52 && buffer[1] == 0x02 && buffer[2] == 0x04;
            }
            RegCloseKey(device);
            if (args.json) {
                json += std::string(json.size() > 1 ? "," : "") + "{\"address\":" + JsonString(keyName) +
                        ",\"name\":" + JsonString(name) + ",\"class\":" + JsonString(devClass) +
                        ",\"listed\":" + (listed ? "true" : "false") + "}";
            } else {
                out << TsvField(keyName) << '\t' << TsvField(name) << '\t' << (devClass.empty() ? "-" : devClass)
                    << '\t' << (listed ? "listed" : "not-listed") << '\n';
            }
        }
    }
    for (int i = opened - 1; i >= 0; --i)
        RegCloseKey(keys[i]);
    if (args.json)
        out << json << "]\n";
    return kOk;
}

class Pusher : public CObexClient {
public:
    explicit Pusher(std::vector<uint8_t> data) : m_data(std::move(data)) {
        m_openHeaders.SetName(u"Client Open Object");
        m_closeHeaders.SetName(u" Close Object");
        m_closeHeaders.SetDescription(u" Close Description");
    }
    ~Pusher() override { StopNotifications(); }
    const CObexHeaders& OpenHeaders() const { return m_openHeaders; }

    void OnObexOpenDone(tOBEX_ERRORS status, uint8_t code, uint16_t, const CObexHeaders&) override {
        openStatus = status;
        if (status != OBEX_SUCCESS) {
            failure = status;
            failureCode = code;
            done.Set();
            return;
        }
        sendNext();
    }
    void OnObexPutDone(tOBEX_ERRORS status, uint8_t code, const CObexHeaders&) override {
        ++puts;
        if (status != OBEX_SUCCESS && failure == OBEX_SUCCESS) {
            failure = status;
            failureCode = code;
        }
        // Once a chunk failed the object is lost; no point sending the rest.
        if (m_left == 0 || failure != OBEX_SUCCESS)
            Close(&m_closeHeaders);
        else
            sendNext();
    }
    void OnObexCloseDone(tOBEX_ERRORS status, uint8_t, const CObexHeaders&) override {
        closeStatus = status;
        done.Set();
    }

    platform::Event done;
    tOBEX_ERRORS openStatus = OBEX_SUCCESS;
    tOBEX_ERRORS closeStatus = OBEX_SUCCESS;
    tOBEX_ERRORS failure = OBEX_SUCCESS;
    uint8_t failureCode = 0;
    int puts = 0;

private:
    void sendNext() {
        CObexHeaders headers;
        headers.SetName(u"Dunmere.gif");
        const size_t take = std::min(m_left, kChunk);
        const bool final = m_left <= kChunk;
        headers.SetBody(m_data.data() + m_sent, uint32_t(take), final);
        m_sent += take;
        m_left -= take;
        if (Put(&headers, final) != OBEX_SUCCESS) {
            failure = OBEX_ERROR_TRANSPORT;
            done.Set();
        }
    }
    std::vector<uint8_t> m_data;
    size_t m_sent = 0;
    size_t m_left = m_data.size();
    CObexHeaders m_openHeaders;
    CObexHeaders m_closeHeaders;
};

// The OBEX push channel of a device, found the way the program finds it.
std::optional<uint8_t> findPushChannel(const BdAddr& address) {
    struct Search : CBtIf {
        ~Search() override { StopNotifications(); }
        void OnServiceDiscoveryDone() override { done.Set(); }
        platform::Event done;
    } search;
    if (!search.StartDiscovery(address, &guid_SERVCLASS_OBEX_OBJECT_PUSH))
        return std::nullopt;
    search.done.Wait(30000);
    CSdpDiscoveryRec records[20];
    int n = search.ReadDiscoveryRecords(address, 20, records, &guid_SERVCLASS_OBEX_OBJECT_PUSH);
    for (int i = 0; i < n; ++i) {
        uint8_t channel = 0;
        if (records[i].FindRFCommScn(&channel) && channel != 0)
            return channel;
    }
    return std::nullopt;
}

int push(const StackArgs& args, const stackchoice::BluezProbe& probe, std::ostream& out, std::ostream& err) {
    if (args.file.empty() || (!args.tcp && !args.bt) || (args.tcp && args.bt)) {
        err << "harlune-cli: push needs a FILE and one of --tcp HOST:PORT or --bt ADDRESS\n" << kStackUsage;
        return kUsage;
    }
    std::string host;
    uint16_t port = 0;
    std::optional<BdAddr> address;
    if (args.tcp && !splitHostPort(*args.tcp, &host, &port)) {
        err << "harlune-cli: --tcp wants HOST:PORT, not \"" << *args.tcp << "\"\n";
        return kUsage;
    }
    if (args.bt && !(address = btstack::ParseAddressText(*args.bt, btstack::AddressText::Colons))) {
        err << "harlune-cli: --bt wants an address like 00:80:37:1a:2b:3c, not \"" << *args.bt << "\"\n";
        return kUsage;
    }
    std::vector<uint8_t> data;
    if (std::string why; !ReadPushFile(args.file, kMaxPushBytes, &data, &why)) {
        err << "harlune-cli: " << why << "\n";
        return kUsage;
    }
    const size_t size = data.size();

    Pusher pusher(std::move(data));
    pusher.SetSessionLimit(PushSessionLimitMs(int64_t(size)));
    tOBEX_ERRORS rc;
    if (args.tcp) {
        std::string error;
        auto transport = obex::ConnectTcp(host, port, 10000, &error);
        if (!transport) {
            err << "harlune-cli: " << error << "\n";
            return kConnection;
        }
        rc = pusher.OpenOnTransport(std::move(transport), &pusher.OpenHeaders(), uint16_t(kChunk));
    } else {
        int status = kOk;
        if (!chooseStack(args, probe, err, &status))
            return status;
        std::optional<uint8_t> channel = findPushChannel(*address);
        if (!channel) {
            err << "harlune-cli: " << *args.bt << " offers no OBEX object push service\n";
            return kConnection;
        }
        rc = pusher.Open(*channel, *address, &pusher.OpenHeaders(), uint16_t(kChunk));
    }
    if (rc != OBEX_SUCCESS) {
        err << "harlune-cli: the OBEX connection was not accepted: " << ObexFailureSentence(rc, 0) << "\n";
        return kConnection;
    }
    // Every request ends by its own response time-out at the latest, so this wait ends too.
    pusher.done.Wait();
    int status = kOk;
    std::string what = "pushed";
    if (pusher.failure == OBEX_ERROR_RESPONSE) {
        status = kRefused;
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", pusher.failureCode);
        what = std::string("refused by the receiver (") + obex::ResponseName(pusher.failureCode) + ", " + code + "): " +
               ObexFailureSentence(pusher.failure, pusher.failureCode);
    } else if (pusher.failure != OBEX_SUCCESS) {
        status = kConnection;
        what = "failed: " + ObexFailureSentence(pusher.failure, pusher.failureCode);
    }
    if (args.json) {
        out << "{\"ok\":" << (status == kOk ? "true" : "false") << ",\"file\":" << JsonString(args.file)
            << ",\"name\":\"Dunmere.gif\",\"bytes\":" << size << ",\"puts\":" << pusher.puts
            << ",\"response\":" << int(pusher.failureCode) << "}\n";
    } else if (status == kOk) {
        out << "pushed " << args.file << " as Dunmere.gif (" << size << " bytes, " << pusher.puts << " PUT requests)\n";
    }
    if (status != kOk)
        err << "harlune-cli: push of " << args.file << " " << what << "\n";
    return status;
}

// The Bluetooth commands: a new one is a row here and a line in kStackUsage.
struct StackCommand {
    const char* name;
    int (*run)(const StackArgs&, const stackchoice::BluezProbe&, std::ostream& out, std::ostream& err);
};
const StackCommand kStackCommands[] = {
    {"devices", listDevices},
    {"push", push},
};

} // namespace

bool IsStackCommand(const std::vector<std::string>& args) {
    const std::string first = FirstCommandWord(args, kStackOptions);
    for (const StackCommand& command : kStackCommands)
        if (first == command.name)
            return true;
    return false;
}

int RunStackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunStackCommand(args, out, err, {});
}

int RunStackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const stackchoice::BluezProbe& probe) {
    StackArgs parsed;
    std::string error;
    if (!parseArgs(args, &parsed, &error)) {
        err << "harlune-cli: " << error << "\n" << kStackUsage;
        return kUsage;
    }
    if (parsed.help) {
        out << kStackUsage;
        return kOk;
    }
    if (!parsed.stack.empty() && parsed.stack != "sim" && parsed.stack != "bluez") {
        err << "harlune-cli: --stack is sim or bluez\n";
        return kUsage;
    }
    for (const StackCommand& command : kStackCommands)
        if (parsed.command == command.name)
            return command.run(parsed, probe, out, err);
    err << "harlune-cli: unknown command \"" << parsed.command << "\"\n" << kStackUsage;
    return kUsage;
}

int RunStackCommand(const std::vector<std::string>& args) {
#ifdef HARLUNE_HAVE_BLUEZ_BACKEND
    return RunStackCommand(args, std::cout, std::cerr, [](std::string* why) { return btstack::bluez::BluezAvailable(why); });
#else
    return RunStackCommand(args, std::cout, std::cerr, {});
#endif
}

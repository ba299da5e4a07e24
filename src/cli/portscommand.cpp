#include "portscommand.h"

#include <unistd.h>

#include "clioutput.h"
#include "serialports/portenum.h"
#include "serialports/portholders.h"

namespace {

constexpr const char* kPortsUsage =
    "usage: harlune-cli ports [--json] [--no-probe]\n"
    "  the serial ports of phones and modems (USB, Bluetooth): device, maker, product, who holds\n"
    "  it open, and whether it answers AT (at most one second per port; a held port is not\n"
    "  touched). Text: one port per line, fields separated by tabs.\n";

constexpr int kProbeMs = 1000;

} // namespace

int RunPortsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    serialports::PortEnumerator& ports) {
    bool json = false, probe = true;
    for (const std::string& a : args) {
        if (a == "ports")
            continue;
        if (a == "--json")
            json = true;
        else if (a == "--no-probe")
            probe = false;
        else if (a == "--help" || a == "-h")
            return out << kPortsUsage, 0;
        else
            return err << "harlune-cli: ports does not take " << a << "\n" << kPortsUsage, 2;
    }
    if (json)
        out << '[';
    bool first = true;
    for (const serialports::SerialPortInfo& port : ports.List()) {
        // This command opens no port before it looks, so a descriptor of its own is not a holder
        // (a test serving the emulated phone in-process keeps one).
        std::vector<serialports::PortHolder> holders =
            serialports::FindPortHolders(port.devicePath);
        std::erase_if(holders,
                      [](const serialports::PortHolder& h) { return h.pid == ::getpid(); });
        std::string at = "-";
        if (probe)
            at = holders.empty() ? serialports::AtAnswerName(
                                       serialports::ProbeAt(port.devicePath, kProbeMs).answer)
                                 : serialports::AtAnswerName(serialports::AtAnswer::Busy);
        const std::string holder = serialports::DescribeHolders(holders);
        if (json) {
            out << (first ? "" : ",") << "{\"device\":" << JsonString(port.devicePath)
                << ",\"maker\":" << JsonString(port.maker)
                << ",\"product\":" << JsonString(port.product)
                << ",\"interface\":" << JsonString(port.interfaceNumber) << ",\"holders\":[";
            for (size_t i = 0; i < holders.size(); ++i)
                out << (i ? "," : "") << "{\"pid\":" << holders[i].pid
                    << ",\"name\":" << JsonString(holders[i].name) << "}";
            out << "],\"answers_at\":" << JsonString(at) << "}";
        } else {
            out << TsvField(port.devicePath) << '\t'
                << TsvField(port.maker.empty() ? "-" : port.maker) << '\t'
                << TsvField(port.product.empty() ? "-" : port.product) << '\t'
                << TsvField(holder.empty() ? "-" : holder) << '\t' << at << '\n';
        }
        first = false;
    }
    if (json)
        out << "]\n";
    return 0;
}

int RunPortsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::shared_ptr<serialports::PortEnumerator> ports = serialports::CurrentPortEnumerator();
    if (!ports) {
        err << "harlune-cli: the serial ports cannot be listed: udev is not available\n";
        return 3;
    }
    return RunPortsCommand(args, out, err, *ports);
}

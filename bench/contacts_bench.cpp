// Contacts end to end: an import of 250 entries into the emulated phone paced at 19200 bit/s,
// and reading a 10,000-card vCard file. Prints ratios and rates; see README.md for the targets.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "contacts/link/phonecopy.h"
#include "contacts/vcard.h"
#include "phonelink/phonelink.h"
#include "phonesim/phone.h"
#include "phonesim/server.h"

namespace {

double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string Cards(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Person;No " + std::to_string(i) + ";;;\r\nFN:No " +
                std::to_string(i) + " Person\r\nTEL;TYPE=CELL:+46 70 " + std::to_string(1000000 + i) +
                "\r\nEMAIL:p" + std::to_string(i) + "@example.org\r\nEND:VCARD\r\n";
    return text;
}

void PacedImport() {
    auto phone = phonesim::Phone::Create(phonesim::PhoneState::Empty());
    phonesim::ServeOptions options;
    options.bitsPerSecond = 19200;
    phonesim::PtyPhone pty(phone, options);
    std::string error;
    if (!pty.Start(&error)) {
        std::fprintf(stderr, "phonesim: %s\n", error.c_str());
        std::exit(1);
    }
    CPhoneLink link(CPhoneLink::DevicePath{pty.DevicePath()});
    link.SetTimeouts(5000, 600000);
    if (!link.ReadStorage("SM")) {
        std::fprintf(stderr, "reading the SIM failed: %s\n", link.LastError().text.c_str());
        std::exit(1);
    }
    const contacts::ReadResult file = contacts::ReadVCards(Cards(250));
    const auto plans = contacts::PlanIntoStorages(file.contacts, link, kStorageSim, kStorageSim, contacts::NumberMatcher());
    const uint64_t r0 = link.Port().BytesRead(), w0 = link.Port().BytesWritten();
    const double start = WallSeconds();
    const contacts::ImportOutcome outcome = contacts::RunPlans(plans, {}, link);
    const double wall = WallSeconds() - start;
    const double received = static_cast<double>(link.Port().BytesRead() - r0);
    const double sent = static_cast<double>(link.Port().BytesWritten() - w0);
    const double lineTime = (received + sent) * 10.0 / 19200.0;  // 8N1: ten bit times per byte
    std::printf("Import of 250 entries into the SIM, phone paced at 19200 bit/s: %s\n", outcome.Summary().c_str());
    std::printf("  bytes received %.0f, sent %.0f (%.0f per entry), wall %.3f s, line time %.3f s\n", received, sent,
                (received + sent) / 250.0, wall, lineTime);
    std::printf("  wall / line time of the bytes exchanged: %6.3f   (target <= 1.15)\n", wall / lineTime);
    // The emulated phone paces only what it sends; against its replies alone the ratio is stricter.
    std::printf("  wall / line time of the bytes received:  %6.3f\n", wall / (received * 10.0 / 19200.0));
}

void ParseTenThousandCards() {
    const std::string text = Cards(10000);
    double best = 1e9;
    size_t read = 0;
    for (int run = 0; run < 5; ++run) {
        const double start = WallSeconds();
        read = contacts::ReadVCards(text).contacts.size();
        best = std::min(best, WallSeconds() - start);
    }
    std::printf("Reading a 10,000-card vCard file (%.1f MB, %zu cards): %.1f ms, %.0f cards/s   (target < 200 ms)\n",
                static_cast<double>(text.size()) / 1e6, read, best * 1000.0, 10000.0 / best);
}

} // namespace

int main() {
    ParseTenThousandCards();
    PacedImport();
    return 0;
}

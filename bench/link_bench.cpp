// End-to-end timing of the AT engine against the emulated phone on a pty. Prints rates and
// ratios; see README.md for the targets.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "phonelink/phonelink.h"
#include "phonesim/phone.h"
#include "phonesim/server.h"
#include "phonesim/smsencode.h"

namespace {

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Served {
    explicit Served(phonesim::PhoneState state, unsigned bitsPerSecond)
        : phone(phonesim::Phone::Create(std::move(state))), pty(phone, Options(bitsPerSecond)) {
        std::string error;
        if (!pty.Start(&error)) {
            std::fprintf(stderr, "phonesim: %s\n", error.c_str());
            std::exit(1);
        }
        link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{pty.DevicePath()});
        link->SetTimeouts(5000, 600000);
    }
    static phonesim::ServeOptions Options(unsigned bitsPerSecond) {
        phonesim::ServeOptions options;
        options.bitsPerSecond = bitsPerSecond;
        return options;
    }
    std::shared_ptr<phonesim::Phone> phone;
    phonesim::PtyPhone pty;
    std::unique_ptr<CPhoneLink> link;
};

void Fail(const CPhoneLink& link, const char* what) {
    std::fprintf(stderr, "%s failed: %s\n", what, link.LastError().text.c_str());
    std::exit(1);
}

void UnpacedExchanges() {
    Served s(phonesim::PhoneState::Empty(), 0);
    constexpr int kCount = 1000;
    double start = WallSeconds();
    for (int i = 0; i < kCount; ++i)
        if (!s.link->Transact("AT"))
            Fail(*s.link, "AT");
    double wall = WallSeconds() - start;
    std::printf("AT exchanges, unpaced pty:            %8.0f exchanges/s (%d in %.3f s)\n", kCount / wall,
                kCount, wall);
}

// countSent: whether the commands going out count into the line time (a read in many chunks
// sends enough to matter; the phone's side of the pty is paced, ours is not).
void Report(const char* label, const CComPort& port, double wall, double cpu, uint64_t readBefore,
            uint64_t writtenBefore, double target = 1.10, bool countSent = false) {
    double received = static_cast<double>(port.BytesRead() - readBefore);
    double sent = static_cast<double>(port.BytesWritten() - writtenBefore);
    double lineTime = (received + (countSent ? sent : 0)) * 10.0 / 19200.0; // 8N1: ten bit times per byte
    std::printf("%s\n", label);
    std::printf("  bytes received %.0f, sent %.0f, wall %.3f s, line time of the %s bytes %.3f s\n",
                received, sent, wall, countSent ? "exchanged" : "received", lineTime);
    std::printf("  wall / line time:                  %8.3f   (target <= %.2f)\n", wall / lineTime, target);
    std::printf("  engine CPU seconds per wall second: %8.4f   (target <= 0.05)\n", cpu / wall);
}

void PacedExchange() {
    Served s(phonesim::PhoneState::Demo(), 19200);
    {
        constexpr int kCount = 20;
        uint64_t r0 = s.link->Port().BytesRead();
        double wall0 = WallSeconds();
        for (int i = 0; i < kCount; ++i)
            if (!s.link->Transact("AT"))
                Fail(*s.link, "AT");
        double wall = WallSeconds() - wall0;
        double lineTime = static_cast<double>(s.link->Port().BytesRead() - r0) * 10.0 / 19200.0;
        std::printf("AT exchanges at 19200 bit/s:          %8.2f ms each, line time %.2f ms each\n",
                    wall * 1000 / kCount, lineTime * 1000 / kCount);
    }
    if (!s.link->Transact("AT+CPBS=\"ME\""))
        Fail(*s.link, "AT+CPBS");
    uint64_t r0 = s.link->Port().BytesRead(), w0 = s.link->Port().BytesWritten();
    double cpu0 = ThreadCpuSeconds(), wall0 = WallSeconds();
    std::string reply;
    if (!s.link->Transact("AT+CPBR=1,500", reply))
        Fail(*s.link, "AT+CPBR");
    Report("One phone-memory listing, phone paced at 19200 bit/s:", s.link->Port(), WallSeconds() - wall0,
           ThreadCpuSeconds() - cpu0, r0, w0);
}

void PacedFullRead() {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    for (auto* storage : {&state.sim, &state.memory})
        for (int p = 1; p <= storage->size; ++p)
            storage->entries[p] = {"+4670" + std::to_string(1000000 + p), 145,
                                   ("Name " + std::to_string(p) + "/M").substr(0, storage->textLimit)};
    Served s(state, 19200);
    uint64_t r0 = s.link->Port().BytesRead(), w0 = s.link->Port().BytesWritten();
    double cpu0 = ThreadCpuSeconds(), wall0 = WallSeconds();
    if (!s.link->ReadPhonebook())
        Fail(*s.link, "ReadPhonebook");
    double wall = WallSeconds() - wall0;
    std::printf("(%zu SIM + %zu phone-memory entries)\n", s.link->SimEntries().size(),
                s.link->PhoneEntries().size());
    Report("Reading 250 SIM + 500 phone-memory entries at 19200 bit/s:", s.link->Port(), wall,
           ThreadCpuSeconds() - cpu0, r0, w0);
}

// The read as the program does it, in chunks of at most 100 positions per AT+CPBR, of storages
// filled to 100 SIM and 200 phone-memory entries.
void PacedChunkedRead() {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.sim.size = 100;
    state.memory.size = 200;
    for (auto* storage : {&state.sim, &state.memory})
        for (int p = 1; p <= storage->size; ++p)
            storage->entries[p] = {"+4670" + std::to_string(1000000 + p), 145,
                                   ("Name " + std::to_string(p) + "/H").substr(0, storage->textLimit)};
    Served s(state, 19200);
    if (!s.link->StartSession())
        Fail(*s.link, "StartSession");
    uint64_t r0 = s.link->Port().BytesRead(), w0 = s.link->Port().BytesWritten();
    double cpu0 = ThreadCpuSeconds(), wall0 = WallSeconds();
    if (!s.link->ReadPhonebook())
        Fail(*s.link, "ReadPhonebook");
    double wall = WallSeconds() - wall0;
    if (s.link->SimEntries().size() != 100 || s.link->PhoneEntries().size() != 200)
        Fail(*s.link, "the chunked read (entries missing)");
    Report("Chunked read of 100 SIM + 200 phone-memory entries at 19200 bit/s:", s.link->Port(), wall,
           ThreadCpuSeconds() - cpu0, r0, w0, 1.05, true);
}

// 100 stored messages (60 on the SIM, 40 in the phone memory) read with ReadSms: one listing per
// storage, so the time is the line time of the listings plus a few short round trips.
void PacedSmsListing() {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.smsSim.size = 60;
    phonesim::DeliverSpec delivery;
    delivery.originator = "+4917012345";
    delivery.time = 1796000000;
    for (int i = 1; i <= 100; ++i) {
        std::string text = "Message " + std::to_string(i) + ": see you at the station at ten, bring the tickets";
        auto& storage = i <= 60 ? state.smsSim : state.smsMemory;
        storage.messages[i <= 60 ? i : i - 60] = {phonesim::MessageStatus::ReceivedRead,
                                                  phonesim::EncodeDeliverParts(delivery, text, 1).front()};
    }
    Served s(state, 19200);
    if (!s.link->StartSession())
        Fail(*s.link, "StartSession");
    uint64_t r0 = s.link->Port().BytesRead(), w0 = s.link->Port().BytesWritten();
    double cpu0 = ThreadCpuSeconds(), wall0 = WallSeconds();
    if (!s.link->ReadSms())
        Fail(*s.link, "ReadSms");
    double wall = WallSeconds() - wall0;
    std::printf("(%zu messages read)\n", s.link->StoredMessages().size());
    Report("Listing 100 stored messages (SIM and phone memory) at 19200 bit/s:", s.link->Port(), wall,
           ThreadCpuSeconds() - cpu0, r0, w0);
    double exchanged = static_cast<double>(s.link->Port().BytesRead() - r0 + s.link->Port().BytesWritten() - w0);
    std::printf("  wall / line time of all bytes exchanged: %8.3f   (target <= 1.05)\n",
                wall / (exchanged * 10.0 / 19200.0));
}

} // namespace

int main() {
    UnpacedExchanges();
    PacedExchange();
    PacedFullRead();
    PacedChunkedRead();
    PacedSmsListing();
    return 0;
}

// The message archive with 10,000 messages: how fast they go in, and how long loading every
// conversation takes (what the Messages view does when it opens; the goal is under 200 ms).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "messages/archive.h"
#include "phonelink/smspdu.h"

int main() {
    char folder[] = "/tmp/harlune-archive-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::string path = std::string(folder) + "/messages.sqlite";
    messages::MessageArchive archive;
    std::string error;
    if (!archive.Open(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    constexpr int kMessages = 10000, kPerListing = 100;
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    for (int batch = 0; batch < kMessages / kPerListing; ++batch) {
        std::vector<messages::ArchiveEntry> listing;
        for (int i = 0; i < kPerListing; ++i) {
            int n = batch * kPerListing + i;
            SmsPdu pdu;
            LinkError why;
            EncodeSmsSubmit("Message number " + std::to_string(n), "+4917012" + std::to_string(n % 200), pdu, why);
            listing.push_back({"Bench phone", "ME", n, 3, pdu.hex, pdu.tpduLength});
        }
        std::vector<bool> stored;
        if (!archive.Add(listing, stored, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    double insertSeconds = std::chrono::duration<double>(Clock::now() - start).count();

    start = Clock::now();
    std::vector<messages::Conversation> conversations;
    std::vector<messages::ArchivedMessage> first;
    bool ok = archive.Conversations(conversations, error) &&
              archive.ConversationWith(conversations.front().number, first, error);
    double openMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    start = Clock::now();
    std::vector<messages::ArchivedMessage> all;
    ok = ok && archive.All(all, error);
    double allMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    if (!ok) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("archive inserts: %.0f messages/s (%d in listings of %d)\n", kMessages / insertSeconds,
                kMessages, kPerListing);
    std::printf("view opening (%zu conversations + the first one's %zu messages): %.1f ms, %.2f of the 200 ms goal\n",
                conversations.size(), first.size(), openMs, openMs / 200.0);
    std::printf("all %zu messages loaded and decoded: %.1f ms\n", all.size(), allMs);
    return 0;
}

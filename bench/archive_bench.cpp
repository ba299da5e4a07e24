// The message archive with 10,000 messages: how fast they go in, and how long the Messages view's
// opening takes (every message of the phone loaded and decoded, put together into conversations
// named from a phone book of 250 entries; the goal is under 200 ms).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "messages/archive.h"
#include "ui/messages/conversations.h"
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

    // The phone book in national form, the messages in international: every name needs the
    // number matcher.
    std::vector<msgview::BookName> book;
    for (int i = 0; i < 250; ++i)
        book.push_back({"017012" + std::to_string(i), "Contact " + std::to_string(i)});
    const contacts::NumberMatcher numbers("DE");

    // What CMessagesView::Rebuild does when the view opens.
    start = Clock::now();
    std::vector<messages::ArchivedMessage> all;
    bool ok = archive.All(all, error);
    double allMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::vector<msgview::ConversationEntry> conversations;
    if (ok) {
        std::erase_if(all, [](const messages::ArchivedMessage& m) { return m.entry.phone != "Bench phone"; });
        conversations = msgview::BuildConversations(all, {}, book, numbers);
    }
    double openMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    if (!ok) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("archive inserts: %.0f messages/s (%d in listings of %d)\n", kMessages / insertSeconds,
                kMessages, kPerListing);
    size_t named = 0;
    for (const auto& c : conversations)
        named += !c.name.empty();
    std::printf("view opening (%zu messages loaded and decoded in %.1f ms, %zu conversations, %zu named): "
                "%.1f ms, %.2f of the 200 ms goal\n",
                all.size(), allMs, conversations.size(), named, openMs, openMs / 200.0);
    return 0;
}

#pragma once
// A push driven the way the picture pane drives it: Open, then one Put per 599-byte chunk from
// the completions, then Close. It records what the completions reported.
#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "btstack/obexclient.h"
#include "platform/event.h"

namespace stacktest {

class Uploader : public CObexClient {
public:
    static constexpr size_t kChunk = 599;

    explicit Uploader(std::vector<uint8_t> data) : m_data(std::move(data)) {
        m_openHeaders.SetName(u"Client Open Object");
        m_closeHeaders.SetName(u" Close Object");
        m_closeHeaders.SetDescription(u" Close Description");
    }
    ~Uploader() override { StopNotifications(); }

    tOBEX_ERRORS Start(uint8_t channel, const BdAddr& address) { return Open(channel, address, &m_openHeaders, 599); }
    tOBEX_ERRORS StartOn(std::unique_ptr<obex::Transport> transport) {
        return OpenOnTransport(std::move(transport), &m_openHeaders, 599);
    }

    void OnObexOpenDone(tOBEX_ERRORS status, uint8_t code, uint16_t, const CObexHeaders&) override {
        record(status, code);
        openStatus = status;
        if (status != OBEX_SUCCESS) {
            done.Set();
            return;
        }
        sendNext();
    }
    void OnObexPutDone(tOBEX_ERRORS status, uint8_t code, const CObexHeaders&) override {
        record(status, code);
        ++putCompletions;
        putStatuses.push_back(status);
        putCodes.push_back(code);
        // Like the picture pane, the result is not examined: the chain goes on.
        if (m_left == 0)
            Close(&m_closeHeaders);
        else
            sendNext();
    }
    void OnObexCloseDone(tOBEX_ERRORS status, uint8_t code, const CObexHeaders&) override {
        record(status, code);
        closeStatus = status;
        done.Set();
    }

    platform::Event done;
    tOBEX_ERRORS openStatus = OBEX_SUCCESS;
    tOBEX_ERRORS closeStatus = OBEX_SUCCESS;
    int putCompletions = 0;
    std::vector<tOBEX_ERRORS> putStatuses;
    std::vector<uint8_t> putCodes;
    std::vector<std::thread::id> threads;

private:
    void record(tOBEX_ERRORS, uint8_t) { threads.push_back(std::this_thread::get_id()); }
    void sendNext() {
        auto* headers = new CObexHeaders;
        headers->SetName(u"Dunmere.gif");
        const size_t take = std::min(m_left, kChunk);
        const bool final = m_left <= kChunk;
        headers->SetBody(m_data.data() + m_sent, uint32_t(take), final);
        m_sent += take;
        m_left -= take;
        Put(headers, final);
        delete headers; // the client copied it
    }

    std::vector<uint8_t> m_data;
    size_t m_sent = 0;
    size_t m_left = m_data.size();
    CObexHeaders m_openHeaders;
    CObexHeaders m_closeHeaders;
};

inline std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> data(n);
    for (size_t i = 0; i < n; ++i)
        data[i] = uint8_t((i * 31 + i / 257) & 0xFF);
    return data;
}

} // namespace stacktest

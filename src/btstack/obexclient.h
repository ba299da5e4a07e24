#pragma once
// OBEX client. CImageRight derives from it and overrides the open, put and close completions.
// Requests run one after another on this object's stack thread, which also delivers the
// completions; thread and lifetime rules as in btif.h. A request made from inside a
// completion is queued behind it. Each accepted request gives exactly one completion.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "btstack/bttypes.h"
#include "btstack/obexheaders.h"
#include "obex/transport.h"

namespace obex {
class ClientSession;
}
namespace btstack {
class NotifyQueue;
class Backend;
}

class CObexClient {
public:
    CObexClient();
    virtual ~CObexClient();
    CObexClient(const CObexClient&) = delete;
    CObexClient& operator=(const CObexClient&) = delete;

    // Connects to the OBEX service on the RFCOMM channel of the device, with maxPacketLength as
    // the largest packet this client accepts (announced in CONNECT). OBEX_SUCCESS when the
    // request was accepted: OnObexOpenDone follows. The headers are copied; null means none.
    tOBEX_ERRORS Open(uint8_t scn, const BdAddr& address, const CObexHeaders* headers, uint16_t maxPacketLength);
    // The same over a transport the caller made (OBEX over TCP, tests).
    tOBEX_ERRORS OpenOnTransport(std::unique_ptr<obex::Transport> transport, const CObexHeaders* headers,
                                 uint16_t maxPacketLength);
    // Sends the headers' body as one chunk of a PUT operation; final ends the object. A chunk
    // longer than the peer's maximum packet goes out in several packets, with one
    // OnObexPutDone for the chunk. The headers are copied before this returns, so the caller
    // may delete them at once. The non-body headers go in the chunk's first packet.
    tOBEX_ERRORS Put(const CObexHeaders* headers, bool final);
    // Sends DISCONNECT and closes the channel; OnObexCloseDone follows (also when the channel
    // was already gone, with the error).
    tOBEX_ERRORS Close(const CObexHeaders* headers);

    // Completions, in this order. status is OBEX_SUCCESS or the failure; responseCode is the
    // peer's OBEX response (0 when none arrived); headers are those of the peer's response.
    virtual void OnObexOpenDone(tOBEX_ERRORS status, uint8_t responseCode, uint16_t peerMaxPacketLength,
                                const CObexHeaders& headers);
    virtual void OnObexCloseDone(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders& headers);
    // Not delivered by this client (no ABORT, GET or SETPATH requests); kept with their library
    // behaviour (nothing) for derived classes.
    virtual void OnAbort(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders& headers);
    virtual void OnObexPutDone(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders& headers);
    virtual void OnGet(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders& headers, bool final);
    virtual void OnSetPath(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders& headers);

    // How long a request waits for each whole response (default 15 s).
    void SetResponseTimeout(int milliseconds);
    // How long a session may last from its CONNECT on (0, the default: no limit). Set before Open.
    void SetSessionLimit(int milliseconds);

    void StopNotifications();

private:
    struct Session;
    tOBEX_ERRORS queueOpen(std::shared_ptr<btstack::Backend> backend, std::unique_ptr<obex::Transport> transport,
                           uint8_t scn, const BdAddr& address, const CObexHeaders* headers, uint16_t maxPacketLength);
    std::shared_ptr<Session> currentSession();

    std::unique_ptr<btstack::NotifyQueue> m_queue;
    std::mutex m_mutex;                 // guards the fields below
    std::shared_ptr<Session> m_session; // set by the Open job; read by every job, interrupted by Stop
    bool m_openPending = false;         // an Open is accepted and its job has not finished
    int m_timeoutMs = 15000;
    int m_sessionLimitMs = 0;
};

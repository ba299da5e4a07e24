#include "btstack/obexclient.h"

#include "btstack/backend.h"
#include "btstack/notifyqueue.h"
#include "obex/client.h"
#include "platform/debuglog.h"

struct CObexClient::Session {
    std::shared_ptr<btstack::Backend> backend; // kept alive while its transport is in use
    std::unique_ptr<obex::Transport> transport;
    std::unique_ptr<obex::ClientSession> client;
    // Set when the connection failed under a request: later requests fail the same way at once.
    tOBEX_ERRORS broken = OBEX_SUCCESS;
    // Set when a chunk of the current object failed: its remaining chunks are not sent, so the
    // peer never stores the tail of an object as if it were the whole. Cleared by a final chunk.
    tOBEX_ERRORS objectFailed = OBEX_SUCCESS;
    uint8_t objectFailedCode = 0;
};

namespace {

tOBEX_ERRORS toObexError(obex::ClientStatus status) {
    switch (status) {
    case obex::ClientStatus::Ok: return OBEX_SUCCESS;
    case obex::ClientStatus::Refused: return OBEX_ERROR_RESPONSE;
    case obex::ClientStatus::Dropped: return OBEX_ERROR_PEER_DROPPED;
    case obex::ClientStatus::Timeout: return OBEX_ERROR_TIMEOUT;
    case obex::ClientStatus::Interrupted: return OBEX_ERROR_CANCELLED;
    case obex::ClientStatus::TransportError: return OBEX_ERROR_TRANSPORT;
    case obex::ClientStatus::ProtocolError: return OBEX_ERROR_PROTOCOL;
    case obex::ClientStatus::NotConnected: return OBEX_ERROR_NOT_OPEN;
    }
    return OBEX_ERROR_TRANSPORT;
}

// Errors after which the byte stream can no longer be trusted.
bool breaksConnection(obex::ClientStatus status) {
    return status != obex::ClientStatus::Ok && status != obex::ClientStatus::Refused;
}

constexpr uint8_t kMaxRfcommChannel = 30;

} // namespace

CObexClient::CObexClient() : m_queue(std::make_unique<btstack::NotifyQueue>()) {}

CObexClient::~CObexClient() { StopNotifications(); }

void CObexClient::StopNotifications() {
    std::shared_ptr<Session> session = currentSession();
    if (session && session->transport)
        session->transport->Interrupt();
    m_queue->Stop();
}

void CObexClient::SetResponseTimeout(int milliseconds) {
    std::lock_guard lock(m_mutex);
    m_timeoutMs = milliseconds;
}

void CObexClient::SetSessionLimit(int milliseconds) {
    std::lock_guard lock(m_mutex);
    m_sessionLimitMs = milliseconds;
}

std::shared_ptr<CObexClient::Session> CObexClient::currentSession() {
    std::lock_guard lock(m_mutex);
    return m_session;
}

tOBEX_ERRORS CObexClient::Open(uint8_t scn, const BdAddr& address, const CObexHeaders* headers,
                               uint16_t maxPacketLength) {
    if (scn < 1 || scn > kMaxRfcommChannel)
        return OBEX_ERROR_INVALID_PARAM;
    std::shared_ptr<btstack::Backend> backend = btstack::CurrentBackend();
    if (!backend)
        return OBEX_ERROR_NO_STACK;
    return queueOpen(std::move(backend), nullptr, scn, address, headers, maxPacketLength);
}

tOBEX_ERRORS CObexClient::OpenOnTransport(std::unique_ptr<obex::Transport> transport, const CObexHeaders* headers,
                                          uint16_t maxPacketLength) {
    if (!transport)
        return OBEX_ERROR_INVALID_PARAM;
    return queueOpen(nullptr, std::move(transport), 0, BdAddr{}, headers, maxPacketLength);
}

tOBEX_ERRORS CObexClient::queueOpen(std::shared_ptr<btstack::Backend> backend,
                                    std::unique_ptr<obex::Transport> transport, uint8_t scn, const BdAddr& address,
                                    const CObexHeaders* headers, uint16_t maxPacketLength) {
    if (maxPacketLength < obex::kMinPacketLength)
        return OBEX_ERROR_INVALID_PARAM;
    std::vector<obex::Header> connectHeaders = headers ? headers->NonBodyHeaders() : std::vector<obex::Header>{};
    std::lock_guard lock(m_mutex);
    if (m_session || m_openPending)
        return OBEX_ERROR_ALREADY_OPEN;
    m_openPending = true;
    // std::function needs a copyable callable; the transport rides in a shared_ptr.
    auto owned = std::make_shared<std::unique_ptr<obex::Transport>>(std::move(transport));
    bool posted = m_queue->Post([this, backend, owned, scn, address, connectHeaders, maxPacketLength] {
        auto session = std::make_shared<Session>();
        session->backend = backend;
        session->transport = std::move(*owned);
        std::string error;
        if (!session->transport && backend)
            session->transport = backend->OpenObex(address, scn, &error);
        if (!session->transport) {
            {
                std::lock_guard lock(m_mutex);
                m_openPending = false;
            }
            OnObexOpenDone(OBEX_ERROR_TRANSPORT, 0, 0, CObexHeaders());
            return;
        }
        session->client = std::make_unique<obex::ClientSession>(*session->transport);
        session->client->SetTrace([](bool sent, std::span<const uint8_t> packet) {
            if (platform::DebugLogEnabled())
                platform::DebugLog(std::string(sent ? "OBEX > " : "OBEX < ") + obex::PacketSummary(packet));
        });
        {
            std::lock_guard lock(m_mutex);
            session->client->SetResponseTimeout(m_timeoutMs);
            session->client->SetSessionLimit(m_sessionLimitMs);
            // Visible before the CONNECT goes out, so StopNotifications can interrupt it.
            m_session = session;
        }
        obex::ClientResult result = session->client->Connect(maxPacketLength, connectHeaders);
        {
            std::lock_guard lock(m_mutex);
            m_openPending = false;
            if (!result.ok())
                m_session.reset();
        }
        const uint16_t peerMax = result.ok() ? session->client->PeerMaxPacketLength() : 0;
        OnObexOpenDone(toObexError(result.status), result.responseCode, peerMax,
                       CObexHeaders::FromPacketHeaders(result.headers));
    });
    if (!posted) {
        m_openPending = false;
        return OBEX_ERROR_CANCELLED;
    }
    return OBEX_SUCCESS;
}

tOBEX_ERRORS CObexClient::Put(const CObexHeaders* headers, bool final) {
    std::vector<obex::Header> nonBody;
    std::vector<uint8_t> body;
    if (headers) {
        nonBody = headers->NonBodyHeaders();
        body = headers->GetBody();
    }
    {
        std::lock_guard lock(m_mutex);
        if (!m_session && !m_openPending)
            return OBEX_ERROR_NOT_OPEN;
    }
    bool posted = m_queue->Post([this, nonBody = std::move(nonBody), body = std::move(body), final] {
        std::shared_ptr<Session> session = currentSession();
        if (!session) {
            OnObexPutDone(OBEX_ERROR_NOT_OPEN, 0, CObexHeaders());
            return;
        }
        if (session->broken != OBEX_SUCCESS) {
            OnObexPutDone(session->broken, 0, CObexHeaders());
            return;
        }
        if (session->objectFailed != OBEX_SUCCESS) {
            const tOBEX_ERRORS status = session->objectFailed;
            const uint8_t code = session->objectFailedCode;
            if (final)
                session->objectFailed = OBEX_SUCCESS;
            OnObexPutDone(status, code, CObexHeaders());
            return;
        }
        obex::ClientResult result = session->client->Put(nonBody, body, final);
        const tOBEX_ERRORS status = toObexError(result.status);
        if (breaksConnection(result.status))
            session->broken = status;
        else if (status != OBEX_SUCCESS && !final) {
            session->objectFailed = status;
            session->objectFailedCode = result.responseCode;
        }
        OnObexPutDone(status, result.responseCode, CObexHeaders::FromPacketHeaders(result.headers));
    });
    return posted ? OBEX_SUCCESS : OBEX_ERROR_CANCELLED;
}

tOBEX_ERRORS CObexClient::Close(const CObexHeaders* headers) {
    std::vector<obex::Header> nonBody = headers ? headers->NonBodyHeaders() : std::vector<obex::Header>{};
    {
        std::lock_guard lock(m_mutex);
        if (!m_session && !m_openPending)
            return OBEX_ERROR_NOT_OPEN;
    }
    bool posted = m_queue->Post([this, nonBody = std::move(nonBody)] {
        std::shared_ptr<Session> session;
        {
            std::lock_guard lock(m_mutex);
            session = std::move(m_session);
        }
        if (!session) {
            OnObexCloseDone(OBEX_ERROR_NOT_OPEN, 0, CObexHeaders());
            return;
        }
        if (session->broken != OBEX_SUCCESS) {
            OnObexCloseDone(session->broken, 0, CObexHeaders());
            return;
        }
        obex::ClientResult result = session->client->Disconnect(nonBody);
        // The channel closes whatever the peer answered.
        session.reset();
        OnObexCloseDone(toObexError(result.status), result.responseCode,
                        CObexHeaders::FromPacketHeaders(result.headers));
    });
    return posted ? OBEX_SUCCESS : OBEX_ERROR_CANCELLED;
}

void CObexClient::OnObexOpenDone(tOBEX_ERRORS, uint8_t, uint16_t, const CObexHeaders&) {}
void CObexClient::OnObexCloseDone(tOBEX_ERRORS, uint8_t, const CObexHeaders&) {}
void CObexClient::OnAbort(tOBEX_ERRORS, uint8_t, const CObexHeaders&) {}
void CObexClient::OnObexPutDone(tOBEX_ERRORS, uint8_t, const CObexHeaders&) {}
void CObexClient::OnGet(tOBEX_ERRORS, uint8_t, const CObexHeaders&, bool) {}
void CObexClient::OnSetPath(tOBEX_ERRORS, uint8_t, const CObexHeaders&) {}

#include "obex/pushserver.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "obex/transport.h"

namespace obex {
namespace {

constexpr size_t kMaxNameBytes = 255; // a single file name on the usual file systems

bool makeDirs(const std::string& path) {
    if (path.empty())
        return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        makeDirs(path.substr(0, slash));
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const std::vector<uint8_t>& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

bool IsSafeObjectName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == "..")
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            return false;
    // Hidden names would also clash with the receiver's own temporary files.
    return name[0] != '.';
}

PushSession::PushSession(PushServerOptions options) : m_options(std::move(options)) {}
PushSession::~PushSession() = default;

PushSession::Reply PushSession::respond(uint8_t code) {
    Packet response;
    response.code = code;
    return Reply{Action::Respond, Encode(response), false};
}

void PushSession::discardObject() {
    m_inObject = false;
    m_objectName.clear();
    m_objectData.clear();
    m_objectData.shrink_to_fit();
}

PushSession::Reply PushSession::Handle(const Packet& request) {
    switch (request.code) {
    case kOpConnect: {
        Packet response;
        response.code = kRespSuccess;
        response.hasConnectFields = true;
        response.version = kObexVersion10;
        response.flags = 0;
        response.maxPacketLength = m_options.maxPacketLength;
        m_connected = true;
        discardObject();
        return Reply{Action::Respond, Encode(response), false};
    }
    case kOpDisconnect: {
        discardObject();
        m_connected = false;
        Reply reply = respond(kRespSuccess);
        reply.endSession = true;
        return reply;
    }
    case kOpPut:
    case kOpPutFinal:
        return handlePut(request);
    case kOpAbort:
        discardObject();
        return respond(kRespSuccess);
    case kOpGet:
    case kOpGetFinal:
    case kOpSetPath:
        return respond(kRespNotImplemented);
    default:
        return respond(kRespBadRequest);
    }
}

PushSession::Reply PushSession::handlePut(const Packet& request) {
    ++m_putRequests;
    if (m_options.dropOnPut && m_putRequests == *m_options.dropOnPut) {
        discardObject();
        return Reply{Action::Drop, {}, true};
    }
    // An error response ends the operation, so whatever had arrived of the object goes.
    auto fail = [this](uint8_t code, std::string why) {
        m_lastError = std::move(why);
        discardObject();
        return respond(code);
    };
    if (!m_connected)
        return fail(kRespBadRequest, "PUT before CONNECT");
    if (m_options.refuseWith)
        return fail(*m_options.refuseWith, "refused by option");

    const bool final = request.code == kOpPutFinal;
    const bool startsObject = !m_inObject;
    m_inObject = true;
    bool sawBody = !startsObject; // a continued object has had its body start already
    for (const Header& h : request.headers) {
        switch (h.id) {
        case kHdrName: {
            if (!m_objectName.empty())
                break; // repeated in later packets of the same object: the first one stands
            auto text = Utf16FromBeBytes(h.bytes);
            auto utf8 = text ? Utf8FromUtf16(*text) : std::nullopt;
            if (!utf8)
                return fail(kRespBadRequest, "object name is not valid UTF-16");
            if (!IsSafeObjectName(*utf8))
                return fail(kRespForbidden, "unsafe object name refused: \"" + *utf8 + "\"");
            m_objectName = *utf8;
            break;
        }
        case kHdrLength:
            if (h.value > m_options.maxObjectSize)
                return fail(kRespEntityTooLarge, "announced length " + std::to_string(h.value) + " is too large");
            break;
        case kHdrBody:
        case kHdrEndOfBody:
            sawBody = true;
            if (m_objectData.size() + h.bytes.size() > m_options.maxObjectSize)
                return fail(kRespEntityTooLarge, "object larger than " + std::to_string(m_options.maxObjectSize));
            m_objectData.insert(m_objectData.end(), h.bytes.begin(), h.bytes.end());
            break;
        default:
            break;
        }
    }
    if (!final)
        return respond(kRespContinue);
    // PUT-final without any body header asks for a delete, which this receiver does not offer.
    if (!sawBody)
        return fail(kRespNotImplemented, "delete requests are not supported");
    if (m_objectName.empty())
        return fail(kRespBadRequest, "object without a name");
    std::string error;
    if (!storeObject(&error))
        return fail(kRespInternalError, error);
    m_received.push_back({m_objectName, m_objectData.size()});
    discardObject();
    return respond(kRespSuccess);
}

bool PushSession::storeObject(std::string* error) {
    if (!makeDirs(m_options.folder)) {
        *error = "cannot create folder " + m_options.folder;
        return false;
    }
    // Written beside the target and renamed over it, so a reader never sees half an object
    // and a symbolic link at the target's name is replaced, not followed.
    std::string temp = m_options.folder + "/.incoming-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = "cannot create a file in " + m_options.folder + ": " + std::strerror(errno);
        return false;
    }
    bool ok = writeAll(fd, m_objectData);
    ok = ::close(fd) == 0 && ok;
    const std::string target = m_options.folder + "/" + m_objectName;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        *error = "cannot store " + target + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

struct PushServer::Connection {
    std::unique_ptr<FdTransport> transport;
    std::thread thread;
};

PushServer::PushServer(PushServerOptions options) : m_options(std::move(options)) {}

PushServer::~PushServer() {
    Stop();
    Wait();
}

bool PushServer::Serve(int fd, std::string* error) {
    auto connection = std::make_unique<Connection>();
    connection->transport = std::make_unique<FdTransport>(fd);
    if (!connection->transport->Valid()) {
        *error = "cannot set up the receiver's descriptor";
        return false;
    }
    Connection* raw = connection.get();
    std::lock_guard lock(m_mutex);
    m_connections.push_back(std::move(connection));
    raw->thread = std::thread([this, raw] { run(raw); });
    return true;
}

void PushServer::run(Connection* connection) {
    PushSession session(m_options);
    std::vector<uint8_t> pending;
    uint8_t buffer[8192];
    int countedPuts = 0;
    auto account = [&] {
        std::lock_guard lock(m_mutex);
        m_putRequests += session.PutRequests() - countedPuts;
        countedPuts = session.PutRequests();
    };
    size_t storedSeen = 0;
    bool running = true;
    while (running) {
        size_t got = 0;
        std::string ioError;
        // The peer decides the pace; an idle client is not a reason to end the session.
        IoStatus st = connection->transport->Receive(buffer, 60 * 60 * 1000, &got, &ioError);
        if (st != IoStatus::Ok)
            break;
        pending.insert(pending.end(), buffer, buffer + got);
        for (;;) {
            DecodeResult decoded = DecodeRequest(pending);
            if (decoded.status == DecodeStatus::NeedMore)
                break;
            if (decoded.status == DecodeStatus::Bad) {
                // Framing is lost; answer once and end the session.
                Packet response;
                response.code = kRespBadRequest;
                connection->transport->Send(Encode(response), 5000, &ioError);
                running = false;
                break;
            }
            pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(decoded.consumed));
            PushSession::Reply reply = session.Handle(decoded.packet);
            account();
            {
                std::lock_guard lock(m_mutex);
                for (; storedSeen < session.Received().size(); ++storedSeen)
                    m_received.push_back(session.Received()[storedSeen]);
            }
            if (reply.action == PushSession::Action::Drop) {
                running = false;
                break;
            }
            if (connection->transport->Send(reply.bytes, 5000, &ioError) != IoStatus::Ok || reply.endSession) {
                running = false;
                break;
            }
        }
    }
    // Closing our end is what a client waiting for a response sees as the drop.
    std::lock_guard lock(m_mutex);
    connection->transport.reset();
    ++m_sessionsEnded;
}

void PushServer::Stop() {
    std::lock_guard lock(m_mutex);
    for (auto& c : m_connections)
        if (c->transport)
            c->transport->Interrupt();
}

void PushServer::Wait() {
    std::vector<std::thread*> threads;
    {
        std::lock_guard lock(m_mutex);
        for (auto& c : m_connections)
            threads.push_back(&c->thread);
    }
    for (std::thread* t : threads)
        if (t->joinable())
            t->join();
}

int PushServer::PutRequests() const {
    std::lock_guard lock(m_mutex);
    return m_putRequests;
}

std::vector<ReceivedObject> PushServer::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

int PushServer::SessionsEnded() const {
    std::lock_guard lock(m_mutex);
    return m_sessionsEnded;
}

} // namespace obex

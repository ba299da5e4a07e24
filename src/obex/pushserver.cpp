#include "obex/pushserver.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

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
PushSession::~PushSession() { discardObject(); }

PushSession::Reply PushSession::respond(uint8_t code) {
    Packet response;
    response.code = code;
    return Reply{Action::Respond, Encode(response), false};
}

void PushSession::discardObject() {
    m_inObject = false;
    m_objectName.clear();
    m_objectSize = 0;
    if (m_tempFd >= 0) {
        ::close(m_tempFd);
        ::unlink(m_tempPath.c_str());
    }
    m_tempFd = -1;
    m_tempPath.clear();
}

bool PushSession::appendBody(const std::vector<uint8_t>& bytes, std::string* error) {
    if (m_tempFd < 0) {
        if (!makeDirs(m_options.folder)) {
            *error = "cannot create folder " + m_options.folder;
            return false;
        }
        std::string temp = m_options.folder + "/.incoming-XXXXXX";
        m_tempFd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (m_tempFd < 0) {
            *error = "cannot create a file in " + m_options.folder + ": " + std::strerror(errno);
            return false;
        }
        m_tempPath = temp;
    }
    if (!writeAll(m_tempFd, bytes)) {
        *error = "cannot write " + m_tempPath + ": " + std::strerror(errno);
        return false;
    }
    m_objectSize += bytes.size();
    return true;
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
            if (m_objectSize + h.bytes.size() > m_options.maxObjectSize)
                return fail(kRespEntityTooLarge, "object larger than " + std::to_string(m_options.maxObjectSize));
            if (std::string why; !appendBody(h.bytes, &why))
                return fail(kRespInternalError, why);
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
    m_received.push_back({m_objectName, m_objectSize});
    discardObject();
    return respond(kRespSuccess);
}

bool PushSession::storeObject(std::string* error) {
    // An empty object has had no body bytes, so no file yet.
    if (m_tempFd < 0 && !appendBody({}, error))
        return false;
    bool ok = ::fsync(m_tempFd) == 0;
    ok = ::close(m_tempFd) == 0 && ok;
    m_tempFd = -1;
    // Renamed over the target, so a reader never sees half an object and a symbolic link at
    // the target's name is replaced, not followed.
    const std::string target = m_options.folder + "/" + m_objectName;
    if (!ok || ::rename(m_tempPath.c_str(), target.c_str()) != 0) {
        *error = "cannot store " + target + ": " + std::strerror(errno);
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return false;
    }
    m_tempPath.clear();
    return true;
}

struct PushServer::Connection {
    std::unique_ptr<FdTransport> transport;
    std::thread thread;
    bool finished = false; // set under the server's lock as the thread's last act
};

PushServer::PushServer(PushServerOptions options) : m_options(std::move(options)) {}

PushServer::~PushServer() {
    Stop();
    Wait();
}

void PushServer::reapLocked(std::vector<std::unique_ptr<Connection>>* finished) {
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if ((*it)->finished) {
            finished->push_back(std::move(*it));
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

bool PushServer::Serve(int fd, std::string* error) {
    auto connection = std::make_unique<Connection>();
    connection->transport = std::make_unique<FdTransport>(fd);
    if (!connection->transport->Valid()) {
        *error = "cannot set up the receiver's descriptor";
        return false;
    }
    std::vector<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard lock(m_mutex);
        reapLocked(&finished);
        if (static_cast<int>(m_connections.size()) >= std::max(1, m_options.maxSessions)) {
            // Busy: the client's CONNECT gets Service Unavailable as its answer.
            ++m_sessionsRefused;
            Packet response;
            response.code = kRespServiceUnavailable;
            std::string ignored;
            connection->transport->Send(Encode(response), 1000, &ignored);
            return true; // the connection closes as it goes out of scope
        }
        Connection* raw = connection.get();
        m_connections.push_back(std::move(connection));
        try {
            raw->thread = std::thread([this, raw] { run(raw); });
        } catch (const std::system_error& e) {
            m_connections.pop_back();
            *error = std::string("cannot start a receiver thread: ") + e.what();
            return false;
        }
    }
    // Joined outside the lock: each ended thread only had its last lock release left to do.
    for (auto& c : finished)
        if (c->thread.joinable())
            c->thread.join();
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
        // A silent client ends its session after the idle time-out, so it holds no thread.
        IoStatus st = connection->transport->Receive(buffer, m_options.idleTimeoutMs, &got, &ioError);
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
    session.Abandon();
    // Closing our end is what a client waiting for a response sees as the drop.
    std::lock_guard lock(m_mutex);
    connection->transport.reset();
    ++m_sessionsEnded;
    connection->finished = true;
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

int PushServer::SessionsRefused() const {
    std::lock_guard lock(m_mutex);
    return m_sessionsRefused;
}

size_t PushServer::ThreadsHeld() const {
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

int PushServer::SessionsEnded() const {
    std::lock_guard lock(m_mutex);
    return m_sessionsEnded;
}

} // namespace obex

#pragma once
// The receiving side of OBEX object push: what the emulated phone runs behind its push
// service. PushSession is the protocol logic (packet in, response out, objects to a folder);
// PushServer serves sessions on stream descriptors, each in a thread of its own.
//
// Bounded whatever a client does: an object goes to a temporary file in the folder as its
// body arrives (never held whole in memory), at most maxSessions sessions run at once (a
// further connection is answered Service Unavailable and closed), a session silent for
// idleTimeoutMs ends, and a finished session's thread is joined when the next one starts.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "obex/codec.h"

namespace obex {

struct PushServerOptions {
    std::string folder;                       // where objects are stored (created when missing)
    uint16_t maxPacketLength = 0x2000;        // announced in the CONNECT response
    size_t maxObjectSize = 64u * 1024 * 1024; // larger objects get Request Entity Too Large
    // Fault injection for tests of the client: answer every PUT with this code (e.g. Forbidden)
    std::optional<uint8_t> refuseWith;
    // ... or close the connection, without answering, on receiving PUT packet number N (1-based).
    std::optional<int> dropOnPut;
    int maxSessions = 4;        // sessions at once; more are refused with Service Unavailable
    int idleTimeoutMs = 30000;  // a session that sends nothing for this long ends
};

struct ReceivedObject {
    std::string name; // UTF-8, as stored in the folder
    size_t size = 0;
};

// Rejects what could leave the folder or hide in it: empty names, "." and "..", path
// separators of either system, control characters and NUL, and over-long names. The name
// comes from the peer and is not trusted.
bool IsSafeObjectName(const std::string& utf8Name);

class PushSession {
public:
    explicit PushSession(PushServerOptions options);
    ~PushSession();
    PushSession(const PushSession&) = delete;
    PushSession& operator=(const PushSession&) = delete;

    enum class Action { Respond, Drop };
    struct Reply {
        Action action = Action::Respond;
        std::vector<uint8_t> bytes; // the encoded response
        bool endSession = false;    // after DISCONNECT
    };
    Reply Handle(const Packet& request);
    // The line is gone: an unfinished object's temporary file goes.
    void Abandon() { discardObject(); }

    int PutRequests() const { return m_putRequests; }
    const std::vector<ReceivedObject>& Received() const { return m_received; }
    const std::string& LastError() const { return m_lastError; }

private:
    Reply respond(uint8_t code);
    Reply handlePut(const Packet& request);
    void discardObject();
    bool appendBody(const std::vector<uint8_t>& bytes, std::string* error);
    bool storeObject(std::string* error);

    PushServerOptions m_options;
    bool m_connected = false;
    bool m_inObject = false;
    std::string m_objectName;
    // The object being received: a temporary file in the folder, renamed when it is complete.
    int m_tempFd = -1;
    std::string m_tempPath;
    size_t m_objectSize = 0;
    int m_putRequests = 0;
    std::vector<ReceivedObject> m_received;
    std::string m_lastError;
};

class PushServer {
public:
    explicit PushServer(PushServerOptions options);
    ~PushServer(); // stops every session and joins its thread
    PushServer(const PushServer&) = delete;
    PushServer& operator=(const PushServer&) = delete;

    // Serves one session on the connected descriptor (taken over and closed at the end) in a
    // thread of its own. False when the thread could not be set up.
    bool Serve(int fd, std::string* error);
    // Ends all sessions now.
    void Stop();
    // Waits until every session has ended.
    void Wait();

    int PutRequests() const;
    std::vector<ReceivedObject> Received() const;
    int SessionsEnded() const;
    int SessionsRefused() const;
    // Sessions whose thread has not been joined yet (running, or ended since the last Serve).
    size_t ThreadsHeld() const;

private:
    struct Connection;
    void run(Connection* connection);
    void reapLocked(std::vector<std::unique_ptr<Connection>>* finished);

    PushServerOptions m_options;
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Connection>> m_connections;
    int m_putRequests = 0;
    int m_sessionsEnded = 0;
    int m_sessionsRefused = 0;
    std::vector<ReceivedObject> m_received;
};

} // namespace obex

#pragma once
// The emulated phone as a shared object: one state, any number of connections (sessions),
// each with its own interpreter. Every access to the state goes through one lock, so the
// serving threads and a test thread can look at and change the phone at the same time.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "phonesim/atinterpreter.h"
#include "phonesim/faults.h"
#include "phonesim/phonestate.h"

namespace phonesim {

class Phone;

// One connection's view of the phone (echo and error mode are per connection).
class PhoneSession {
public:
    struct Output {
        std::string bytes;   // what the phone sends back
        bool hangup = false; // the line must drop once the bytes went out
    };
    ~PhoneSession();
    PhoneSession(const PhoneSession&) = delete;
    PhoneSession& operator=(const PhoneSession&) = delete;

    // Also returns what the phone has to say unasked (after the reply).
    Output Feed(std::string_view bytes);
    // Readable (an eventfd) while unsolicited lines wait; TakeUnsolicited empties it.
    int UnsolicitedFd() const { return m_eventFd; }
    std::string TakeUnsolicited();

private:
    friend class Phone;
    explicit PhoneSession(std::shared_ptr<Phone> phone);
    void PostLocked(const std::string& bytes);
    std::shared_ptr<Phone> m_phone;
    std::unique_ptr<AtInterpreter> m_interpreter;
    std::string m_unsolicited; // guarded by the phone's lock
    int m_eventFd = -1;
};

class Phone : public std::enable_shared_from_this<Phone> {
public:
    static std::shared_ptr<Phone> Create(PhoneState initial = PhoneState::Demo());

    std::unique_ptr<PhoneSession> OpenSession();

    PhoneState Snapshot() const;
    // Runs fn on the state under the lock, then saves it when a state file is set.
    void Modify(const std::function<void(PhoneState&)>& fn);

    // Every command line received, in order, over all sessions.
    std::vector<std::string> CommandLog() const;
    void ClearCommandLog();

    // How new sessions speak (the profile); sessions already open keep theirs.
    void SetDialect(Dialect dialect);
    // Command lines every new session runs first, unseen (no echo, not in the command log),
    // the way a program's initialisation string would: test rigs and the demo phone use
    // "AT+CMEE=1" so the program sees the phone's reasons, as it would after its own set-up.
    void SetSessionInit(std::string commandLines);

    // Delivers an incoming message (an SMS-DELIVER PDU, service-centre part first) into the
    // receiving storage (+CPMS third); sessions that asked for it hear +CMTI or +CMT. False
    // with a reason for a PDU that is no DELIVER, or a full storage.
    bool DeliverPdu(const std::string& pduHex, std::string* error, int* index = nullptr);
    // Changes what the network side looks like; sessions with +CREG=1/2 hear of a new status.
    void SetNetwork(const NetworkStatus& status);

    void AddFault(FaultRule rule);
    void ClearFaults();

    // After every change the state is written there (atomically). Empty: no saving. A failed
    // save is logged and remembered (LastSaveError), the phone goes on.
    void SetStateFile(std::string path);
    // Keeps the state file's lock for as long as the phone lives (and saves there).
    void HoldStateLock(std::shared_ptr<void> lock);
    std::string LastSaveError() const;

private:
    friend class PhoneSession;
    explicit Phone(PhoneState initial);
    std::optional<FaultRule> TakeFault(std::string_view line);
    void SaveLocked();
    void RaiseLocked(const PhoneEvent& event);

    mutable std::mutex m_mutex;
    PhoneState m_state;
    std::vector<std::string> m_log;
    std::vector<PhoneSession*> m_sessions;
    std::vector<FaultRule> m_faults;
    Dialect m_dialect;
    std::string m_sessionInit;
    std::string m_stateFile;
    std::shared_ptr<void> m_stateLock;
    std::string m_lastSaveError;
};

} // namespace phonesim

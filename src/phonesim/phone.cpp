#include "phonesim/phone.h"

#include <algorithm>
#include <cctype>

#include <strings.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "phonesim/smspdu.h"

#include "platform/debuglog.h"

namespace phonesim {

std::shared_ptr<Phone> Phone::Create(PhoneState initial) {
    return std::shared_ptr<Phone>(new Phone(std::move(initial)));
}

Phone::Phone(PhoneState initial) : m_state(std::move(initial)) {}

std::unique_ptr<PhoneSession> Phone::OpenSession() {
    return std::unique_ptr<PhoneSession>(new PhoneSession(shared_from_this()));
}

PhoneSession::PhoneSession(std::shared_ptr<Phone> phone) : m_phone(std::move(phone)) {
    Phone* p = m_phone.get();
    std::lock_guard<std::mutex> lock(p->m_mutex);
    auto initializing = std::make_shared<bool>(true);
    InterpreterHooks hooks;
    // Both hooks run inside Feed, which already holds the phone's lock.
    hooks.beforeCommand = [p, initializing](std::string_view line) -> std::optional<FaultRule> {
        if (*initializing)
            return std::nullopt;
        p->m_log.emplace_back(line);
        return p->TakeFault(line);
    };
    hooks.stateChanged = [p] { p->SaveLocked(); };
    hooks.raise = [p](const PhoneEvent& e) { p->RaiseLocked(e); };
    m_interpreter = std::make_unique<AtInterpreter>(p->m_state, std::move(hooks), p->m_dialect);
    if (!p->m_sessionInit.empty()) {
        // Echo off for the set-up, then back to what the dialect starts with.
        bool echo = m_interpreter->EchoEnabled();
        m_interpreter->Feed("ATE0\r" + p->m_sessionInit + "\r" + (echo ? "ATE1\r" : ""));
    }
    *initializing = false;
    m_eventFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    p->m_sessions.push_back(this);
}

PhoneSession::~PhoneSession() {
    {
        std::lock_guard<std::mutex> lock(m_phone->m_mutex);
        std::erase(m_phone->m_sessions, this);
    }
    if (m_eventFd >= 0)
        close(m_eventFd);
}

void PhoneSession::PostLocked(const std::string& bytes) {
    // Bounded: a session nobody reads keeps only the newest indications.
    constexpr size_t kMaxPending = 64 * 1024;
    if (m_unsolicited.size() + bytes.size() > kMaxPending)
        m_unsolicited.clear();
    m_unsolicited += bytes;
    uint64_t one = 1;
    if (m_eventFd >= 0)
        (void)!write(m_eventFd, &one, sizeof one);
}

std::string PhoneSession::TakeUnsolicited() {
    std::lock_guard<std::mutex> lock(m_phone->m_mutex);
    uint64_t count = 0;
    if (m_eventFd >= 0)
        (void)!read(m_eventFd, &count, sizeof count);
    std::string out;
    out.swap(m_unsolicited);
    return out;
}

PhoneSession::Output PhoneSession::Feed(std::string_view bytes) {
    std::lock_guard<std::mutex> lock(m_phone->m_mutex);
    Output out;
    out.bytes = m_interpreter->Feed(bytes);
    out.hangup = m_interpreter->HungUp();
    if (!out.hangup) {
        out.bytes += m_unsolicited;
        m_unsolicited.clear();
    }
    return out;
}

PhoneState Phone::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void Phone::Modify(const std::function<void(PhoneState&)>& fn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    fn(m_state);
    SaveLocked();
}

std::vector<std::string> Phone::CommandLog() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void Phone::ClearCommandLog() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
}

void Phone::RaiseLocked(const PhoneEvent& event) {
    for (PhoneSession* session : m_sessions) {
        std::string bytes = session->m_interpreter->Unsolicited(event);
        if (!bytes.empty())
            session->PostLocked(bytes);
    }
}

bool Phone::DeliverPdu(const std::string& pduHex, std::string* error, int* index) {
    phonesim::DeliverPdu decoded;
    std::string why;
    if (!DecodeDeliverPdu(pduHex, -1, &decoded, &why)) {
        if (error)
            *error = "not an SMS-DELIVER PDU: " + why;
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string storageName = m_state.smsStorages[2];
    MessageStorage& storage = *m_state.Messages(storageName);
    int position = storage.FirstFree();
    if (position == 0) {
        if (error)
            *error = "message storage " + storageName + " is full";
        return false;
    }
    std::string upper = pduHex;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    storage.messages[position] = {MessageStatus::ReceivedUnread, upper};
    SaveLocked();
    PhoneEvent e;
    e.kind = PhoneEvent::Kind::NewMessage;
    e.storage = storageName;
    e.index = position;
    e.pduHex = upper;
    RaiseLocked(e);
    if (index)
        *index = position;
    return true;
}

void Phone::SetNetwork(const NetworkStatus& status) {
    std::lock_guard<std::mutex> lock(m_mutex);
    bool registrationChanged = status.registration != m_state.network.registration;
    m_state.network = status;
    if (registrationChanged)
        RaiseLocked(PhoneEvent{});
}

void Phone::SetDialect(Dialect dialect) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A phone that knows one character set has it selected from the start.
    if (dialect.charsets == CharsetRule::Ucs2Only)
        m_state.charset = Charset::Ucs2;
    else if (dialect.charsets == CharsetRule::GsmOnly)
        m_state.charset = Charset::Gsm;
    m_dialect = std::move(dialect);
}

void Phone::SetSessionInit(std::string commandLines) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sessionInit = std::move(commandLines);
}

void Phone::AddFault(FaultRule rule) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.push_back(std::move(rule));
}

void Phone::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

void Phone::SetStateFile(std::string path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stateFile = std::move(path);
}

void Phone::HoldStateLock(std::shared_ptr<void> lock) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_stateLock = std::move(lock);
}

std::string Phone::LastSaveError() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastSaveError;
}

std::optional<FaultRule> Phone::TakeFault(std::string_view line) {
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        const std::string& prefix = it->commandPrefix;
        if (line.size() < prefix.size() || strncasecmp(line.data(), prefix.data(), prefix.size()) != 0)
            continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        FaultRule hit = *it;
        if (it->remaining > 0 && --it->remaining == 0)
            m_faults.erase(it);
        return hit;
    }
    return std::nullopt;
}

void Phone::SaveLocked() {
    if (m_stateFile.empty())
        return;
    std::string error;
    if (SaveState(m_state, m_stateFile, &error)) {
        m_lastSaveError.clear();
    } else {
        m_lastSaveError = error;
        platform::DebugLog("phonesim: " + error);
    }
}

} // namespace phonesim

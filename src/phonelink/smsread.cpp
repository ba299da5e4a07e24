// SMS reading of CPhoneLink: the storages (+CPMS), one listing per storage (+CMGL), one read
// (+CMGR), deleting (+CMGD), and the announcements of new messages (+CNMI, +CMTI, +CDS, +CDSI).
#include <algorithm>
#include <chrono>

#include "phonelink.h"

namespace {

constexpr size_t kMaxNotices = 1000;
// How long the idle watch waits for the rest of an announcement that came in pieces.
constexpr int kSettleMs = 500;

std::string Quoted(std::string_view storage) {
    return "\"" + std::string(storage) + "\"";
}

// A phone's own reason with what failed in front of it.
LinkError Prefixed(LinkError error, const std::string& what) {
    error.text = what + ": " + error.text;
    return error;
}

} // namespace

bool CPhoneLink::SelectSmsStorage(std::string_view storage, SmsStorageUse* use) {
    std::string reply;
    if (!Transact("AT+CPMS=" + Quoted(storage), reply)) {
        m_smsReadStorage.clear(); // not known any more
        return false;
    }
    m_smsReadStorage = std::string(storage);
    if (use) {
        std::vector<SmsStorageUse> uses = parseCpmsSelect(reply);
        *use = uses.empty() ? SmsStorageUse{} : uses.front();
        use->name = std::string(storage);
    }
    return true;
}

bool CPhoneLink::ReadSmsStorage(const std::string& storage, SmsStorageRead& read) {
    // Selected even when it already is: the answer says how full it is.
    if (!SelectSmsStorage(storage, &read.use)) {
        read.use.name = storage;
        read.error =
            Prefixed(m_lastError, SmsStorageOwner(storage) + " messages could not be selected");
        return false;
    }
    std::string reply;
    bool ok = Transact("AT+CMGL=4", reply);
    // A listing cut short (the line dropped, the phone fell silent, +CMS ERROR after some
    // lines) still gave the messages before the cut.
    SmsListing listing = parseCmglListing(reply, storage);
    const size_t got = listing.messages.size();
    for (StoredSms& sms : listing.messages)
        m_storedSms.push_back(std::move(sms));
    read.rejected = std::move(listing.rejected);
    if (!ok) {
        std::string what = got == 0 ? SmsStorageOwner(storage) + " messages could not be listed"
                                    : "the listing of " + SmsStorageOwner(storage) +
                                          " messages stopped after " + std::to_string(got) +
                                          (got == 1 ? " message" : " messages");
        read.error = Prefixed(m_lastError, what);
        return false;
    }
    if (!read.rejected.empty()) {
        read.error = LinkError::Make(
            LinkErrorKind::BadReply,
            std::to_string(read.rejected.size()) + " of " + SmsStorageOwner(storage) +
                " listing lines gave no message: " + read.rejected.front().reason);
        return false;
    }
    return true;
}

bool CPhoneLink::ReadSms(std::string_view onlyStorage) {
    m_storedSms.clear();
    m_smsReads.clear();
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (!EnsureSession() || !EnsurePduMode())
        return false;

    // Which storages can be read (the first role of AT+CPMS=?), and which one is selected now.
    std::vector<std::string> offered;
    std::string reply;
    if (Transact("AT+CPMS=?", reply)) {
        auto roles = parseCpmsTest(reply);
        if (!roles.empty())
            offered = roles.front();
    } else if (!IsPhoneRefusal(m_lastError)) {
        return false;
    }
    std::string original;
    if (Transact("AT+CPMS?", reply)) {
        auto uses = parseCpmsRead(reply);
        if (!uses.empty())
            original = uses.front().name;
    } else if (!IsPhoneRefusal(m_lastError)) {
        return false;
    }
    m_smsReadStorage = original;

    auto isOffered = [&](std::string_view name) {
        return std::find(offered.begin(), offered.end(), name) != offered.end();
    };
    std::vector<std::string> storages;
    if (!onlyStorage.empty()) {
        if (!offered.empty() && !isOffered(onlyStorage))
            return Fail(LinkErrorKind::InvalidInput,
                        "the phone has no message storage " + std::string(onlyStorage));
        storages.emplace_back(onlyStorage);
    } else {
        for (const char* name : {"SM", "ME"})
            if (isOffered(name))
                storages.emplace_back(name);
        // A phone that names neither (only "MT", or no answer to the test command) is read in
        // whatever storage it has selected.
        if (storages.empty())
            storages.push_back(original.empty() ? "SM" : original);
    }

    LinkError first;
    for (const std::string& storage : storages) {
        SmsStorageRead read;
        if (!ReadSmsStorage(storage, read) && !first)
            first = read.error;
        const bool lost = IsConnectionFailure(read.error);
        m_smsReads.push_back(std::move(read));
        if (lost)
            break;
    }
    // Leave the phone reading where it was, for its own menus and other programs.
    if (!original.empty() && original != m_smsReadStorage && !IsConnectionFailure(first))
        SelectSmsStorage(original, nullptr);
    m_lastError = first;
    return !first;
}

bool CPhoneLink::ReadOneSms(std::string_view storage, int index, StoredSms& out) {
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (!EnsureSession() || !EnsurePduMode())
        return false;
    if (storage != m_smsReadStorage && !SelectSmsStorage(storage, nullptr))
        return false;
    const std::string what =
        "message " + std::to_string(index) + " of " + SmsStorageOwner(storage) + " storage";
    std::string reply;
    if (!Transact("AT+CMGR=" + std::to_string(index), reply)) {
        m_lastError = Prefixed(m_lastError, what + " could not be read");
        return false;
    }
    auto sms = parseCmgrReply(reply, storage, index);
    if (!sms)
        return Fail(LinkErrorKind::BadReply, what + " is empty");
    out = std::move(*sms);
    return true;
}

bool CPhoneLink::DeleteSms(std::string_view storage, int index) {
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (!EnsureSession())
        return false;
    if (storage != m_smsReadStorage && !SelectSmsStorage(storage, nullptr))
        return false;
    if (!Transact("AT+CMGD=" + std::to_string(index))) {
        m_lastError =
            Prefixed(m_lastError, "message " + std::to_string(index) + " of " +
                                      SmsStorageOwner(storage) + " storage could not be deleted");
        return false;
    }
    return true;
}

bool CPhoneLink::EnableSmsNotices() {
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (!EnsureSession())
        return false;
    // <mode>,<mt>,<bm>,<ds>,<bfr>: mt=1 stores each message and announces it with +CMTI, so
    // nothing is lost when nobody listens; ds=1 passes status reports on as +CDS, ds=2 stores
    // them (+CDSI). Phones refuse modes they lack: SIMCOM modules refuse 1,1,0,1 but take
    // 0,1,0,1 (python-gsmmodem's recorded SIM7600 replies), so the list runs down to mode 0.
    static const char* const kSettings[] = {"2,1,0,1,0", "1,1,0,1,0", "2,1,0,2,0",
                                            "2,1,0,0,0", "1,1,0,0,0", "0,1,0,1"};
    for (const char* setting : kSettings) {
        if (Transact(std::string("AT+CNMI=") + setting)) {
            m_cnmiSetting = setting;
            return true;
        }
        if (!IsPhoneRefusal(m_lastError))
            return false;
    }
    m_lastError = Prefixed(m_lastError, "the phone does not announce new messages");
    return false;
}

void CPhoneLink::TakeSmsNotices(const std::vector<std::string>& lines) {
    auto keep = [&](SmsNotice notice) {
        if (m_smsNotices.size() >= kMaxNotices)
            m_smsNotices.erase(m_smsNotices.begin());
        m_smsNotices.push_back(std::move(notice));
    };
    for (const std::string& line : lines) {
        if (!m_cdsAwaitingPdu.empty()) {
            if (auto notice = parseSmsNotice(m_cdsAwaitingPdu, line))
                keep(std::move(*notice));
            m_cdsAwaitingPdu.clear();
            continue;
        }
        if (line.starts_with("+CDS:"))
            m_cdsAwaitingPdu = line;
        else if (auto notice = parseSmsNotice(line))
            keep(std::move(*notice));
    }
}

bool CPhoneLink::WatchSms(int timeoutMs, const SmsNoticeHandler& handler) {
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (m_smsNotices.empty()) {
        CComPort::WaitResult waited = m_port.WaitReadable(timeoutMs);
        if (waited == CComPort::WaitResult::Readable) {
            // An announcement may come in pieces: wait a little for its line end, and for the
            // PDU line of a +CDS, before reading it as lines.
            std::string bytes = ReadQueued();
            ReadRestOfLines(bytes, kSettleMs);
            TakeIdleLines(bytes);
        }
        if (waited == CComPort::WaitResult::Hangup || m_port.LineLost())
            return Fail(LinkErrorKind::ConnectionLost, "connection lost");
    }
    std::vector<SmsNotice> notices;
    notices.swap(m_smsNotices);
    for (const SmsNotice& notice : notices)
        handler(notice);
    return true;
}

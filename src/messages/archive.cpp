#include "archive.h"

#include <sqlite3.h>

#include <nlohmann/json.hpp>

namespace messages {
namespace {

constexpr int kBusyTimeoutMs = 2000;

const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS messages (
  id INTEGER PRIMARY KEY,
  phone TEXT NOT NULL, storage TEXT NOT NULL, slot INTEGER NOT NULL, status INTEGER NOT NULL,
  pdu TEXT NOT NULL, tpdu_length INTEGER NOT NULL,
  kind TEXT, number TEXT NOT NULL DEFAULT '', time TEXT, sort_time INTEGER NOT NULL,
  text TEXT NOT NULL DEFAULT '',
  UNIQUE (phone, storage, pdu));
CREATE INDEX IF NOT EXISTS messages_number ON messages (number, sort_time);
CREATE INDEX IF NOT EXISTS messages_time ON messages (sort_time, id);
)";

// Seconds since 1970 in UTC of a time stamp (days from civil, proleptic Gregorian).
int64_t UtcSeconds(const SmsTime& t) {
    int y = t.year - (t.month <= 2);
    int era = (y >= 0 ? y : y - 399) / 400;
    int yoe = y - era * 400;
    int doy = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second - t.offsetMinutes * 60;
}

const char* KindName(SmsKind kind) {
    switch (kind) {
    case SmsKind::Deliver: return "deliver";
    case SmsKind::Submit: return "submit";
    case SmsKind::StatusReport: return "status-report";
    }
    return "";
}

const char* StatusName(int status) {
    static const char* const kNames[] = {"unread", "read", "unsent", "sent"};
    return status >= 0 && status <= 3 ? kNames[status] : "unknown";
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    bool Ok() const { return m_rc == SQLITE_OK; }
    sqlite3_stmt* operator*() const { return m_stmt; }
    void Text(int i, const std::string& s) { sqlite3_bind_text(m_stmt, i, s.c_str(), -1, SQLITE_TRANSIENT); }
    void Int(int i, int64_t v) { sqlite3_bind_int64(m_stmt, i, v); }
    std::string ColumnText(int i) const {
        auto p = sqlite3_column_text(m_stmt, i);
        return p ? reinterpret_cast<const char*>(p) : "";
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

} // namespace

MessageArchive::MessageArchive() = default;
MessageArchive::~MessageArchive() { sqlite3_close(m_db); }

std::string MessageArchive::Sentence(const char* doing) const {
    int code = m_db ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN;
    std::string why;
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: why = "another program is using it"; break;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: why = "the file is damaged or not a message archive"; break;
    case SQLITE_CANTOPEN: why = "the file cannot be opened"; break;
    case SQLITE_READONLY:
    case SQLITE_PERM: why = "the file cannot be written"; break;
    case SQLITE_FULL: why = "the disk is full"; break;
    default: why = m_db ? sqlite3_errmsg(m_db) : "unknown error";
    }
    return std::string("The message archive ") + m_path + " could not be " + doing + ": " + why + ".";
}

bool MessageArchive::Exec(const char* sql, std::string& error) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    error = Sentence("used");
    return false;
}

bool MessageArchive::Open(const std::string& path, std::string& error) {
    sqlite3_close(m_db);
    m_db = nullptr;
    m_path = path;
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        error = Sentence("opened");
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // WAL: a writer killed mid-transaction leaves the last committed state; FULL sync so a
    // confirmed Add survives a power cut before the phone deletes anything.
    if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", error) || !Exec(kSchema, error)) {
        error = Sentence("opened");
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    return true;
}

bool MessageArchive::Add(const std::vector<ArchiveEntry>& entries, std::vector<bool>& stored,
                         std::string& error, int64_t* added) {
    stored.assign(entries.size(), false);
    int64_t newOnes = 0;
    if (added)
        *added = 0;
    if (!m_db) {
        error = "The message archive is not open.";
        return false;
    }
    if (!Exec("BEGIN IMMEDIATE", error))
        return false;
    Statement insert(m_db, "INSERT OR IGNORE INTO messages (phone, storage, slot, status, pdu, "
                           "tpdu_length, kind, number, time, sort_time, text) VALUES "
                           "(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    Statement now(m_db, "SELECT CAST(strftime('%s','now') AS INTEGER)");
    bool ok = insert.Ok() && now.Ok() && sqlite3_step(*now) == SQLITE_ROW;
    int64_t archivedAt = ok ? sqlite3_column_int64(*now, 0) : 0;
    for (size_t i = 0; ok && i < entries.size(); ++i) {
        const auto& e = entries[i];
        DecodedSms sms;
        LinkError why;
        bool decoded = DecodeSmsPdu(e.pduHex, e.tpduLength, sms, why);
        sqlite3_reset(*insert);
        insert.Text(1, e.phone);
        insert.Text(2, e.storage);
        insert.Int(3, e.index);
        insert.Int(4, e.status);
        insert.Text(5, e.pduHex);
        insert.Int(6, e.tpduLength);
        if (decoded) {
            insert.Text(7, KindName(sms.kind));
            insert.Text(8, sms.number);
            if (sms.time)
                insert.Text(9, ToIso8601(*sms.time));
            else
                sqlite3_bind_null(*insert, 9);
        } else {
            sqlite3_bind_null(*insert, 7);
            insert.Text(8, "");
            sqlite3_bind_null(*insert, 9);
        }
        insert.Int(10, decoded && sms.time ? UtcSeconds(*sms.time) : archivedAt);
        insert.Text(11, decoded ? sms.text : "");
        ok = sqlite3_step(*insert) == SQLITE_DONE;
        if (ok)
            newOnes += sqlite3_changes(m_db); // 0 when the message was already there
    }
    if (!ok) {
        error = Sentence("written");
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    if (!Exec("COMMIT", error)) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    stored.assign(entries.size(), true);
    if (added)
        *added = newOnes;
    return true;
}

bool MessageArchive::Count(int64_t& count, std::string& error) {
    Statement q(m_db, "SELECT COUNT(*) FROM messages");
    if (!m_db || !q.Ok() || sqlite3_step(*q) != SQLITE_ROW) {
        error = Sentence("read");
        return false;
    }
    count = sqlite3_column_int64(*q, 0);
    return true;
}

bool MessageArchive::Query(const std::string& where, const std::string& number,
                           std::vector<ArchivedMessage>& out, std::string& error) {
    std::string sql = "SELECT id, phone, storage, slot, status, pdu, tpdu_length FROM messages " +
                      where + " ORDER BY sort_time, id";
    Statement q(m_db, sql.c_str());
    if (!m_db || !q.Ok()) {
        error = Sentence("read");
        return false;
    }
    if (!number.empty())
        q.Text(1, number);
    std::vector<ArchivedMessage> rows;
    int rc;
    while ((rc = sqlite3_step(*q)) == SQLITE_ROW) {
        ArchivedMessage m;
        m.id = sqlite3_column_int64(*q, 0);
        m.entry = {q.ColumnText(1), q.ColumnText(2), sqlite3_column_int(*q, 3), sqlite3_column_int(*q, 4),
                   q.ColumnText(5), sqlite3_column_int(*q, 6)};
        LinkError why;
        m.decoded = DecodeSmsPdu(m.entry.pduHex, m.entry.tpduLength, m.sms, why);
        rows.push_back(std::move(m));
    }
    if (rc != SQLITE_DONE) {
        error = Sentence("read");
        return false;
    }
    out = std::move(rows);
    return true;
}

bool MessageArchive::All(std::vector<ArchivedMessage>& out, std::string& error) {
    return Query("", "", out, error);
}

bool MessageArchive::ConversationWith(const std::string& number, std::vector<ArchivedMessage>& out,
                                      std::string& error) {
    if (number.empty())
        return Query("WHERE number = ''", "", out, error);
    return Query("WHERE number = ?1", number, out, error);
}

bool MessageArchive::Conversations(std::vector<Conversation>& out, std::string& error) {
    Statement q(m_db, "SELECT number, COUNT(*), MAX(sort_time), "
                      "(SELECT time FROM messages m2 WHERE m2.number = m.number AND time IS NOT NULL "
                      " ORDER BY sort_time DESC LIMIT 1) "
                      "FROM messages m GROUP BY number ORDER BY MAX(sort_time) DESC");
    if (!m_db || !q.Ok()) {
        error = Sentence("read");
        return false;
    }
    std::vector<Conversation> rows;
    int rc;
    while ((rc = sqlite3_step(*q)) == SQLITE_ROW)
        rows.push_back({q.ColumnText(0), sqlite3_column_int(*q, 1), q.ColumnText(3)});
    if (rc != SQLITE_DONE) {
        error = Sentence("read");
        return false;
    }
    out = std::move(rows);
    return true;
}

bool MessageArchive::ExportCsv(std::ostream& out, std::string& error) {
    std::vector<ArchivedMessage> all;
    if (!All(all, error))
        return false;
    out << "phone,storage,index,status,kind,number,time,text,pdu\r\n";
    for (const auto& m : all) {
        out << CsvField(m.entry.phone) << ',' << CsvField(m.entry.storage) << ',' << m.entry.index << ','
            << StatusName(m.entry.status) << ',' << (m.decoded ? KindName(m.sms.kind) : "") << ','
            << CsvField(m.sms.number) << ',' << (m.sms.time ? ToIso8601(*m.sms.time) : "") << ','
            << CsvField(m.sms.text) << ',' << m.entry.pduHex << "\r\n";
    }
    if (!out) {
        error = "The message archive could not be exported: writing the file failed.";
        return false;
    }
    return true;
}

bool MessageArchive::ExportJson(std::ostream& out, std::string& error) {
    std::vector<ArchivedMessage> all;
    if (!All(all, error))
        return false;
    auto array = nlohmann::json::array();
    for (const auto& m : all) {
        nlohmann::json o = {{"phone", m.entry.phone}, {"storage", m.entry.storage},
                            {"index", m.entry.index}, {"status", StatusName(m.entry.status)},
                            {"pdu", m.entry.pduHex}};
        o["kind"] = m.decoded ? nlohmann::json(KindName(m.sms.kind)) : nlohmann::json(nullptr);
        o["number"] = m.sms.number;
        o["time"] = m.sms.time ? nlohmann::json(ToIso8601(*m.sms.time)) : nlohmann::json(nullptr);
        o["text"] = m.sms.text;
        if (m.sms.concat)
            o["parts"] = {m.sms.concat->sequence, m.sms.concat->total};
        array.push_back(std::move(o));
    }
    out << array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    if (!out) {
        error = "The message archive could not be exported: writing the file failed.";
        return false;
    }
    return true;
}

} // namespace messages

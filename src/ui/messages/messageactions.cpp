// What the Messages view does to the phone besides reading (messagesview.cpp): Delete, Move to
// archive, Reply, the idle watch for new messages, and holding the link's other users while
// its worker runs.
#include "messagesview.h"

#include "composerdlg.h"
#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"

#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

namespace {
bool UsesLink(int commandId) {
    switch (commandId) {
    case ui::ID_SHOW_PHONEBOOK:
    case ui::ID_SHOW_MELODIES:
    case ui::ID_SHOW_SMS:
    case ui::ID_SHOW_PICTURES:
    case ui::ID_UPLOAD_PICTURE:
    case ui::ID_CONNECT_PHONE:
    case ui::ID_PHONE_INFO:
    case ui::ID_FILE_EXPORT_PHONEBOOK:
    case ui::ID_FILE_IMPORT_CONTACTS:
    case ui::ID_FILE_BACKUP_PHONE:
    case ui::ID_FILE_RESTORE_BACKUP:
    case ui::ID_FILE_COPY_SIM_TO_PHONE:
    case ui::ID_FILE_COPY_PHONE_TO_SIM:
        return true;
    default:
        return false;
    }
}
} // namespace

bool CMessagesView::HandlesCommand(int commandId) const {
    return (Busy() && UsesLink(commandId)) || CView::HandlesCommand(commandId);
}

void CMessagesView::OnCommand(int commandId) {
    if (Busy() && UsesLink(commandId)) {
        SetStatus("The phone is still busy with the messages; try again in a moment.");
        return;
    }
    CView::OnCommand(commandId);
}

std::vector<StoredSms>
CMessagesView::SlotsOf(const std::vector<const msgview::MessageLine*>& lines) const {
    std::vector<StoredSms> phoneSlots;
    for (const auto* line : lines)
        for (const auto& where : line->phoneSlots)
            for (const StoredSms& sms : m_onPhone)
                if (sms.storage == where.storage && sms.index == where.index)
                    phoneSlots.push_back(sms);
    return phoneSlots;
}

void CMessagesView::Remove(const std::vector<StoredSms>& phoneSlots, const QString& what) {
    CPhoneLink* link = Link();
    if (!link || !m_archive || phoneSlots.empty() || Busy())
        return;
    m_watch->stop();
    messages::MessageArchive* archive = m_archive.get();
    RunOnWorker([this, link, archive, phoneSlots, what]() -> std::function<void()> {
        auto result = msgview::RemoveFromPhone(*link, *archive, phoneSlots);
        return [this, result, phoneSlots, what] {
            // The slots that went are off the phone; the rest stay as they were.
            for (int i = 0; i < result.removed; ++i) {
                const StoredSms& gone = phoneSlots[i];
                std::erase_if(m_onPhone, [&](const StoredSms& s) {
                    return s.storage == gone.storage && s.index == gone.index;
                });
                for (auto& use : m_uses)
                    if (use.name == gone.storage && use.used > 0)
                        --use.used;
            }
            Rebuild();
            SetStatus(
                result.error.empty()
                    ? QStringLiteral(
                          "%1: %2 slot(s) freed on the phone; the archive keeps the messages.")
                          .arg(what)
                          .arg(result.removed)
                          .toStdString()
                    : result.error);
            m_watch->start(WatchInterval());
        };
    });
}

void CMessagesView::OnDelete() {
    if (const auto* m = SelectedMessage(); m && m->onPhone)
        Remove(SlotsOf({m}), QStringLiteral("Deleted"));
}

void CMessagesView::OnMoveToArchive() {
    const auto* c = SelectedConversation();
    if (!c)
        return;
    std::vector<const msgview::MessageLine*> lines;
    for (const auto& m : c->messages)
        if (m.onPhone)
            lines.push_back(&m);
    Remove(SlotsOf(lines), QStringLiteral("Moved to archive"));
}

void CMessagesView::OnReply() {
    const auto* c = SelectedConversation();
    CPhoneLink* link = Link();
    if (!c || c->number.empty() || !link || !m_archive || Busy())
        return;
    const QString recipient = Q(c->Title());
    QString text;
    bool send;
    if (Hook()) {
        send = Hook()(recipient, text);
    } else {
        CComposerDlg dialog(recipient, this);
        send = dialog.exec() == QDialog::Accepted;
        text = dialog.Text();
    }
    if (!send || text.isEmpty())
        return;
    m_watch->stop();
    const std::string number = c->number;
    const std::string body = text.toStdString();
    messages::MessageArchive* archive = m_archive.get();
    SetStatus("Sending...");
    RunOnWorker([this, link, archive, number, body]() -> std::function<void()> {
        auto result = msgview::SendReply(*link, *archive, body, number);
        return [this, result, number] {
            Rebuild();
            if (!result.error.empty())
                SetStatus("Reply not sent: " + result.error);
            else
                SetStatus(result.parts > 1 ? "Reply sent to " + number + " as " +
                                                 std::to_string(result.parts) + " messages."
                                           : "Reply sent to " + number + ".");
            m_watch->start(WatchInterval());
        };
    });
}

void CMessagesView::OnWatchTick() {
    CPhoneLink* link = Link();
    if (Busy() || !link || !link->IsOpen() || !m_archive)
        return;
    // When the phone said something, and every fifth tick for announcements the link caught
    // during another exchange; otherwise an idle link costs nothing.
    const bool readable = link->Port().WaitReadable(0) == CComPort::WaitResult::Readable;
    if (!readable && ++m_quietTicks < 5)
        return;
    m_quietTicks = 0;
    messages::MessageArchive* archive = m_archive.get();
    RunOnWorker(
        [this, link, archive]() -> std::function<void()> {
            auto result = msgview::TakeNewMessages(*link, *archive);
            return [this, result] {
                for (const StoredSms& sms : result.arrived) {
                    m_onPhone.push_back(sms);
                    for (auto& use : m_uses)
                        if (use.name == sms.storage)
                            ++use.used;
                }
                if (!result.arrived.empty() || result.reports)
                    Rebuild();
                if (!result.arrived.empty()) {
                    DecodedSms sms;
                    LinkError why;
                    const StoredSms& last = result.arrived.back();
                    std::string from =
                        DecodeSmsPdu(last.pduHex, last.tpduLength, sms, why) ? sms.number : "";
                    for (const auto& c : m_conversations)
                        if (!from.empty() && c.number == from)
                            from = c.Title();
                    SetStatus(result.arrived.size() == 1
                                  ? "New message from " +
                                        (from.empty() ? "an unknown sender" : from) + " (archived)."
                                  : std::to_string(result.arrived.size()) +
                                        " new messages (archived).");
                } else if (!result.problems.empty()) {
                    SetStatus(result.problems.front());
                }
                if (result.linkLost)
                    m_watch->stop();
            };
        },
        true);
}

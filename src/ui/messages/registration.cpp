#include "registration.h"

#include "phonelink/phonelink.h"
#include "phonelink/smsdecode.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/messages/messagejobs.h"
#include "ui/messages/messagesview.h"

#include <memory>

namespace {

// While another view is shown, a message the phone announces is still read and archived, and
// the status line says so; the Messages view, when shown, watches the link itself.
void WatchWhileElsewhere(CMainFrame& frame) {
    CPhoneLink* link = frame.PhoneLink();
    if (frame.CurrentViewId() == ui::VIEW_MESSAGES || !link || !link->IsOpen() || link->Port().LineLost())
        return;
    // Announcements are asked for once per link; a phone that refuses every setting is left be.
    static const CPhoneLink* refusedBy = nullptr;
    if (link->SmsNoticeSetting().empty()) {
        if (refusedBy != link && !link->EnableSmsNotices())
            refusedBy = link;
        return;
    }
    static std::unique_ptr<messages::MessageArchive> archive;
    if (!archive) {
        auto opened = std::make_unique<messages::MessageArchive>();
        std::string why;
        if (!opened->Open(msgview::ArchivePath(), why))
            return; // the Messages view says why when it is opened
        archive = std::move(opened);
    }
    const msgview::NoticeResult result = msgview::TakeNewMessages(*link, *archive);
    if (result.arrived.empty()) {
        if (!result.problems.empty())
            frame.SetStatusText(result.problems.front());
        return;
    }
    DecodedSms sms;
    LinkError why;
    const StoredSms& last = result.arrived.back();
    const std::string from = DecodeSmsPdu(last.pduHex, last.tpduLength, sms, why) && !sms.number.empty()
                                 ? sms.number
                                 : std::string("an unknown sender");
    frame.SetStatusText((result.arrived.size() == 1 ? "New message from " + from
                                                     : std::to_string(result.arrived.size()) + " new messages") +
                        " (archived); the Messages view shows it.");
}

} // namespace

void RegisterMessagesView() {
    CMainFrame::RegisterViewFactory(
        ui::VIEW_MESSAGES, [](const ui::ViewArgs&) -> CView* { return new CMessagesView; });
    CMainFrame::SetIdleWatch(WatchWhileElsewhere);
}

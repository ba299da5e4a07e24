#include "imageright.h"

#include "ui/connectionfacts.h"
#include "ui/ids.h"
#include "ui/pictures/filebytes.h"
#include "ui/pictures/picturemessages.h"
#include "ui/statussink.h"
#include "ui/strings.h"
#include "ui/winapp.h"


#include <algorithm>

namespace {

// Copied during static initialisation; the source is constexpr, so the copy never sees it unset.
const GUID s_obexPushClassId = guid_SERVCLASS_OBEX_OBJECT_PUSH;

constexpr char kSecurityServiceName[] = "Tarvex DK OBEX Service";
constexpr char16_t kObjectName[] = u"Dunmere.gif";

} // namespace

CImageRight::CImageRight(ui::ConnectionFacts* facts, QWidget* parent) : CPicturePane(parent), m_facts(facts) {
    m_openHeaders.SetName(u"Client Open Object");
    m_closeHeaders.SetName(u" Close Object");
    m_closeHeaders.SetDescription(u" Close Description");
}

CImageRight::~CImageRight() {
    // Before any member goes: a completion running now finishes, queued ones are dropped, and a
    // request blocked on the phone is interrupted. The connection closes with the client.
    StopNotifications();
}

ui::ConnectionFacts* CImageRight::facts() const {
    if (m_facts)
        return m_facts;
    CWinApp* app = AfxGetApp();
    return app ? app->GetConnectionFacts() : nullptr;
}

void CImageRight::message(const QString& text) {
    pictures::ShowMessageBox(window(), {ui::Strings::Instance().Load(ui::AFX_IDS_APP_TITLE), text,
                                        pictures::MessageIcon::None});
}

void CImageRight::setStatus(const QString& text) {
    if (auto* status = dynamic_cast<ui::StatusSink*>(window()))
        status->SetStatusText(text.toStdString());
}

void CImageRight::OnUpload() {
    if (m_busy.load()) {
        message(QStringLiteral("A picture is already being sent to the phone; wait until it is done."));
        return;
    }
    ui::ConnectionFacts* f = facts();
    const uint8_t channel = f ? f->ObexChannel() : 0;
    const BdAddr address = f ? f->PhoneAddress() : BdAddr{};
    // A phone on a USB cable or serial port has no Bluetooth address and no OBEX channel.
    if (f && f->DeviceFound() && address == BdAddr{}) {
        message(QStringLiteral("Picture upload needs a Bluetooth connection: %1 is connected on a serial port.")
                    .arg(QString::fromStdString(f->DeviceName())));
        return;
    }
    if (!m_rfcommIf.AssignScnValue(&s_obexPushClassId, channel)) {
        message(QStringLiteral("RFCOMM Interface failed to assign SCN %1 with GUID").arg(channel));
        return;
    }
    if (!m_rfcommIf.SetSecurityLevel(kSecurityServiceName, 0, false)) {
        message(QStringLiteral("Error setting security level"));
        return;
    }
    m_uploadPath = PicturePath();
    m_deviceName = f ? QString::fromStdString(f->DeviceName()) : QString();
    m_failure.clear();
    m_chunks.reset();
    m_busy = true;
    // A phone that trickles its answers must not hold the pane busy for days.
    SetSessionLimit(PushSessionLimitMs(std::min<int64_t>(std::max<int64_t>(0, pictures::FileSize(m_uploadPath)), upload::kMaxUploadBytes)));
    const tOBEX_ERRORS rc = Open(channel, address, &m_openHeaders, upload::kChunkSize);
    if (rc != OBEX_SUCCESS) {
        m_busy = false;
        message(QStringLiteral("CObexClient::Open failed, error code %1!").arg(int(rc)));
        return;
    }
    setStatus(QStringLiteral("Sending picture to %1...").arg(m_deviceName));
}

void CImageRight::OnObexOpenDone(tOBEX_ERRORS status, uint8_t responseCode, uint16_t, const CObexHeaders&) {
    if (status != OBEX_SUCCESS) {
        // The client has already dropped a connection that did not open; there is nothing to close.
        finish(false, upload::UploadFailureText(upload::UploadStep::Connect, status, responseCode));
        return;
    }
    if (m_uploadPath.isEmpty()) {
        closeWithFailure(QStringLiteral("The picture was not sent: no picture is selected. Choose one in the tree first."));
        return;
    }
    pictures::FileBytes file = pictures::ReadWholeFile(m_uploadPath, upload::kMaxUploadBytes);
    if (file.status != pictures::FileReadStatus::Ok) {
        closeWithFailure(QStringLiteral("The picture was not sent. %1").arg(file.error));
        return;
    }
    m_uploadTotal = file.bytes.size();
    m_chunks.emplace(std::move(file.bytes));
    sendNextChunk();
}

void CImageRight::OnObexPutDone(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders&) {
    if (status != OBEX_SUCCESS) {
        // The rest of the file would only be refused too, and a tail must never be stored as a
        // picture of its own.
        closeWithFailure(upload::UploadFailureText(upload::UploadStep::Send, status, responseCode));
        return;
    }
    if (!m_chunks || m_chunks->Done()) {
        m_chunks.reset();
        closeConnection();
        return;
    }
    sendNextChunk();
}

void CImageRight::OnObexCloseDone(tOBEX_ERRORS, uint8_t, const CObexHeaders&) {
    // Once the final chunk was taken the phone holds the picture, whatever the disconnect says.
    if (!m_failure.isEmpty())
        finish(false, m_failure);
    else
        finish(true, QStringLiteral("Picture sent to %1").arg(m_deviceName));
}

void CImageRight::sendNextChunk() {
    const upload::Chunk chunk = m_chunks->Next();
    // Progress per chunk on the status line. This runs on the stack's thread: the text is queued
    // to the pane and dropped with it when the pane is gone.
    const qsizetype sent = m_uploadTotal - m_chunks->BytesLeft();
    const qsizetype total = m_uploadTotal;
    QMetaObject::invokeMethod(
        this,
        [this, sent, total] {
            // Queued before the outcome, so it always shows ahead of "Picture sent".
            if (total > 0)
                setStatus(QStringLiteral("Sending picture to %1... %2 of %3 bytes (%4 %)")
                              .arg(m_deviceName)
                              .arg(sent)
                              .arg(total)
                              .arg(sent * 100 / total));
        },
        Qt::QueuedConnection);
    CObexHeaders headers;
    headers.SetName(kObjectName);
    headers.SetBody(chunk.data, chunk.length, chunk.final);
    // The client copies the headers before Put returns.
    const tOBEX_ERRORS rc = Put(&headers, chunk.final);
    if (chunk.final)
        m_chunks.reset();
    if (rc != OBEX_SUCCESS)
        closeWithFailure(upload::UploadFailureText(upload::UploadStep::Send, rc, 0));
}

void CImageRight::closeWithFailure(const QString& why) {
    m_failure = why;
    m_chunks.reset();
    closeConnection();
}

void CImageRight::closeConnection() {
    const tOBEX_ERRORS rc = Close(&m_closeHeaders);
    // No completion follows a refused request; the chain ends here.
    if (rc != OBEX_SUCCESS)
        OnObexCloseDone(rc, 0, CObexHeaders());
}

void CImageRight::finish(bool ok, const QString& text) {
    // Copied before the pane is marked idle: the text may be m_failure, which the next upload
    // clears.
    QString copy = text;
    m_busy = false;
    // Queued, never blocking: the GUI thread may be deleting this pane right now, and then the
    // queued call is dropped with it.
    QMetaObject::invokeMethod(this, [this, ok, copy] { onFinished(ok, copy); }, Qt::QueuedConnection);
}

void CImageRight::onFinished(bool ok, const QString& text) {
    if (ok) {
        setStatus(text);
    } else {
        setStatus(QStringLiteral("Picture not sent"));
        message(text);
    }
    emit UploadFinished(ok, text);
}

#pragma once
// The right pane of the picture browser: previews the selected picture and pushes it to the
// phone's OBEX object push service, always under the name "Dunmere.gif". The push is a chain
// driven by the stack's completions: open, PUT the file in chunks of 599 bytes, close.
//
// The completions run on the stack's thread. They touch only the push's own state, and hand
// everything the user sees to the GUI thread without waiting for it; deleting the pane stops
// the notifications first, so a push in flight is cut off and nothing reaches a pane that is
// gone.
#include "btstack/obexclient.h"
#include "btstack/rfcommif.h"
#include "bluetooth/upload/uploadchunks.h"
#include "ui/pictures/picturepane.h"

#include <atomic>
#include <optional>
#include <string>

namespace ui {
class ConnectionFacts;
}

class CImageRight : public CPicturePane, public CObexClient {
    Q_OBJECT
public:
    // Without facts, the application object's are used at the time of the upload.
    explicit CImageRight(ui::ConnectionFacts* facts = nullptr, QWidget* parent = nullptr);
    ~CImageRight() override;

    bool CanUpload() const override { return true; }
    // Starts the push of the selected picture; GUI thread.
    void OnUpload() override;
    bool Uploading() const { return m_busy.load(); }

    void OnObexOpenDone(tOBEX_ERRORS status, uint8_t responseCode, uint16_t peerMaxPacketLength,
                        const CObexHeaders& headers) override;
    void OnObexPutDone(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders& headers) override;
    void OnObexCloseDone(tOBEX_ERRORS status, uint8_t responseCode, const CObexHeaders& headers) override;

signals:
    // On the GUI thread once a push has ended; text is the status line or the reason it failed.
    void UploadFinished(bool ok, const QString& text);

private:
    ui::ConnectionFacts* facts() const;
    void message(const QString& text);
    void setStatus(const QString& text);
    // Stack thread.
    void sendNextChunk();
    void closeWithFailure(const QString& why);
    void closeConnection();
    void finish(bool ok, const QString& text);
    void onFinished(bool ok, const QString& text);

    ui::ConnectionFacts* m_facts;
    CRfCommIf m_rfcommIf;
    CObexHeaders m_openHeaders;
    CObexHeaders m_closeHeaders;
    std::atomic<bool> m_busy{false};

    // Set on the GUI thread before Open, read by the completions (the stack's queue orders the
    // two); the path is taken at upload time, so a new selection does not change what is sent.
    QString m_uploadPath;
    QString m_deviceName;
    // Completions only; they follow one another.
    std::optional<upload::UploadChunks> m_chunks;
    qsizetype m_uploadTotal = 0;
    QString m_failure;
};

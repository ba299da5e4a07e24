#pragma once
// The pieces of a picture push that need no window and no phone: cutting the file into PUT
// chunks, and the sentences that tell the user why a push failed.
#include "btstack/bttypes.h"
#include "btstack/obexpush.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace upload {

// The PUT chunk size, also the packet size announced when the connection opens.
constexpr int kChunkSize = 599;
// The biggest file that is sent, the same as harlune-cli's.
constexpr int64_t kMaxUploadBytes = kMaxPushBytes;

struct Chunk {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    bool final = false;
};

// Hands out the file in chunks of at most kChunkSize bytes. A full chunk goes out as not final
// only while more than kChunkSize bytes remain, so n bytes take max(1, ceil(n / 599)) chunks
// and an empty file still gets its one final, empty chunk.
class UploadChunks {
public:
    explicit UploadChunks(QByteArray bytes) : m_bytes(std::move(bytes)), m_left(m_bytes.size()) {}
    bool Done() const { return m_finalGiven; }
    Chunk Next();
    qsizetype BytesLeft() const { return m_left; }

private:
    QByteArray m_bytes;
    qsizetype m_sent = 0;
    qsizetype m_left;
    bool m_finalGiven = false;
};

enum class UploadStep { Connect, Send, Close };

QString DescribeObexStatus(tOBEX_ERRORS status);
// "0xC3 Forbidden"; the code without its final bit set is shown as it came.
QString DescribeObexResponse(uint8_t responseCode);
// One sentence naming the step and what the stack or the phone answered.
QString UploadFailureText(UploadStep step, tOBEX_ERRORS status, uint8_t responseCode);

} // namespace upload

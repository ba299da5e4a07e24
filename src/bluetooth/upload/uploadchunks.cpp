#include "uploadchunks.h"

namespace upload {

Chunk UploadChunks::Next() {
    Chunk chunk;
    if (m_finalGiven)
        return chunk;
    chunk.data = reinterpret_cast<const uint8_t*>(m_bytes.constData()) + m_sent;
    if (m_left > kChunkSize) {
        chunk.length = kChunkSize;
    } else {
        chunk.length = uint32_t(m_left);
        chunk.final = true;
        m_finalGiven = true;
    }
    m_sent += chunk.length;
    m_left -= chunk.length;
    return chunk;
}

QString DescribeObexStatus(tOBEX_ERRORS status) {
    switch (status) {
    case OBEX_SUCCESS: return QStringLiteral("success");
    case OBEX_ERROR_BUSY: return QStringLiteral("the Bluetooth stack is busy with another request");
    case OBEX_ERROR_NOT_OPEN: return QStringLiteral("the connection to the phone is not open");
    case OBEX_ERROR_ALREADY_OPEN: return QStringLiteral("a connection to the phone is already open");
    case OBEX_ERROR_INVALID_PARAM: return QStringLiteral("the request was invalid");
    case OBEX_ERROR_NO_STACK: return QStringLiteral("no Bluetooth stack is available");
    case OBEX_ERROR_TRANSPORT: return QStringLiteral("the phone's picture service could not be reached");
    case OBEX_ERROR_PEER_DROPPED: return QStringLiteral("the phone dropped the connection");
    case OBEX_ERROR_TIMEOUT: return QStringLiteral("the phone did not answer in time");
    case OBEX_ERROR_PROTOCOL: return QStringLiteral("the phone's answer was malformed");
    case OBEX_ERROR_RESPONSE: return QStringLiteral("the phone refused");
    case OBEX_ERROR_CANCELLED: return QStringLiteral("the request was cancelled");
    }
    return QStringLiteral("error %1").arg(int(status));
}

QString DescribeObexResponse(uint8_t responseCode) {
    const char* name = nullptr;
    switch (responseCode & 0x7F) {
    case 0x10: name = "Continue"; break;
    case 0x20: name = "Success"; break;
    case 0x40: name = "Bad Request"; break;
    case 0x41: name = "Unauthorized"; break;
    case 0x43: name = "Forbidden"; break;
    case 0x44: name = "Not Found"; break;
    case 0x45: name = "Method Not Allowed"; break;
    case 0x46: name = "Not Acceptable"; break;
    case 0x48: name = "Request Timeout"; break;
    case 0x49: name = "Conflict"; break;
    case 0x4B: name = "Length Required"; break;
    case 0x4D: name = "Request Entity Too Large"; break;
    case 0x4F: name = "Unsupported Media Type"; break;
    case 0x50: name = "Internal Server Error"; break;
    case 0x51: name = "Not Implemented"; break;
    case 0x53: name = "Service Unavailable"; break;
    case 0x60: name = "Database Full"; break;
    case 0x61: name = "Database Locked"; break;
    default: break;
    }
    const QString hex = QStringLiteral("0x%1").arg(responseCode, 2, 16, QLatin1Char('0')).toUpper().replace(
        QStringLiteral("0X"), QStringLiteral("0x"));
    return name ? hex + u' ' + QLatin1String(name) : hex;
}

QString UploadFailureText(UploadStep step, tOBEX_ERRORS status, uint8_t responseCode) {
    const QString what = step == UploadStep::Connect ? QStringLiteral("connecting to the phone")
                         : step == UploadStep::Send  ? QStringLiteral("sending the picture")
                                                     : QStringLiteral("closing the connection");
    QString text = QStringLiteral("The picture was not sent: %1 failed (%2").arg(what, DescribeObexStatus(status));
    if (responseCode != 0)
        text += QStringLiteral(", response %1").arg(DescribeObexResponse(responseCode));
    return text + QStringLiteral(").");
}

} // namespace upload

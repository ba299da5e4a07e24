// SMS sending of CPhoneLink: AT+CMGS in PDU mode, a two-stage exchange.
#include "atparse.h"
#include "phonelink.h"
#include "smspdu.h"

bool CPhoneLink::EnsurePduMode() {
    // A phone left in text mode refuses every PDU and lists text; a phone without AT+CMGF is in
    // PDU mode.
    if (!m_pduModeSet) {
        if (!Transact("AT+CMGF=0") && !IsPhoneRefusal(m_lastError))
            return false;
        m_pduModeSet = true;
    }
    return true;
}

bool CPhoneLink::SendSms(std::string_view text, std::string_view destination) {
    m_lastMessageReference = -1;
    SmsPdu pdu;
    if (!EncodeSmsSubmit(text, destination, pdu, m_lastError))
        return false;
    int reference = -1;
    if (!SendPdu(pdu, reference))
        return false;
    m_lastMessageReference = reference;
    return true;
}

bool CPhoneLink::SendLongSms(std::string_view text, std::string_view destination, const SmsSendOptions& options,
                             std::vector<int>& references) {
    references.clear();
    SmsSendOptions numbered = options;
    // A receiving phone joins parts by sender and reference: two messages in a row must differ.
    numbered.reference = m_concatReference % 255 + 1;
    std::vector<SmsPdu> parts;
    if (!EncodeSmsSubmitParts(text, destination, numbered, parts, m_lastError))
        return false;
    m_concatReference = numbered.reference;
    for (const SmsPdu& part : parts) {
        int reference = -1;
        if (!SendPdu(part, reference)) {
            const size_t went = references.size();
            m_lastError.text = std::to_string(went) + " of " + std::to_string(parts.size()) +
                               (parts.size() == 1 ? " message was" : " parts were") + " sent: " + m_lastError.text;
            return false;
        }
        references.push_back(reference);
        m_lastMessageReference = reference;
    }
    return true;
}

bool CPhoneLink::SendPdu(const SmsPdu& pdu, int& reference) {
    if (!m_port.IsOpen())
        return Fail(LinkErrorKind::PortNotOpen, "COM port open failed");
    if (!EnsureSession())
        return false;
    if (!EnsurePduMode())
        return false;

    std::string command = "AT+CMGS=" + std::to_string(pdu.tpduLength);
    DiscardStale();
    if (!Send(command + "\r", "the message command"))
        return false;
    std::string reply;
    if (!Collect(command, Ending::Prompt, m_idleMs, reply)) {
        if (m_lastError.kind != LinkErrorKind::NoAnswer)
            return false;
        // The prompt may have been lost on the line or come after we gave up: the phone then
        // waits for the message and would take every later command as part of it. ESC cancels
        // that input (the phone answers OK); a phone still in command mode answers the stray line
        // with ERROR. Either answer is read here so it cannot end the next exchange early.
        LinkError noPrompt = m_lastError;
        if (Send("\x1B\r", "the cancel")) {
            std::string ignored;
            Collect({}, Ending::FinalResult, m_idleMs, ignored);
        }
        m_lastError = noPrompt;
        return false;
    }
    if (!m_promptSeen)
        return Fail(LinkErrorKind::BadReply, "the phone answered without asking for the message");

    // Ctrl-Z ends the unit; no carriage return follows, the phone would take it as data.
    if (!Send(pdu.hex + '\x1A', "the message"))
        return false;
    reply.clear();
    if (!Collect({}, Ending::FinalResult, m_smsResultMs, reply))
        return false;
    auto parsed = parseCmgsReference(reply);
    if (!parsed)
        return Fail(LinkErrorKind::BadReply, "the phone did not confirm the message");
    reference = *parsed;
    return true;
}

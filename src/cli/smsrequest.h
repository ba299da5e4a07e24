#pragma once
// One sms command line as harlune-cli read it, shared by the message commands' files
// (smscommand.cpp: list, read, watch; smssendcommand.cpp: send; smsarchivecommand.cpp: delete,
// archive, export).
#include <optional>
#include <ostream>
#include <string>

#include "phonelink/linkerror.h"

class CPhoneLink;

struct SmsRequest {
    std::optional<std::string> device;
    std::optional<int> port;
    std::string action, storage, exec, format;
    std::optional<std::string> to, text, file;
    bool longText = false, report = false, free = false;
    std::optional<int> index, count;
    bool json = false, debug = false, help = false;
};

// The link's failure as a sentence on err, and the exit status it calls for.
int SmsFailed(std::ostream& err, const LinkError& e);

int SendSmsCommand(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err);
int DeleteSmsCommand(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err);
int ArchiveSmsCommand(CPhoneLink& link, const SmsRequest& r, std::ostream& out, std::ostream& err);
// Needs no phone: the archive as it is.
int ExportSmsCommand(const SmsRequest& r, std::ostream& out, std::ostream& err);

#pragma once
// harlune-cli's message commands that read the phone's storages: sms list, sms read, sms watch.
// ("sms send" stays with the other one-shot commands in clirun.cpp.)
#include <ostream>
#include <string>
#include <vector>

bool IsSmsStorageCommand(const std::vector<std::string>& args);
int RunSmsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

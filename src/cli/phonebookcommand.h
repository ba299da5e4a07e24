#pragma once
// The contacts commands of harlune-cli: phone book export, import and copy between the SIM and
// the phone memory, and the backup and restore of a whole phone.
#include <ostream>
#include <string>
#include <vector>

// True for "phonebook export|import|copy", "backup" and "restore".
bool IsContactsCommand(const std::vector<std::string>& args);
// `args` after the program name; the exit status (0 ok, 1 refused, 2 usage, 3 connection).
int RunContactsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

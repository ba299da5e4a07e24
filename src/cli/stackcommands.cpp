#include "stackcommands.h"

#include <cstdio>

int RunStackCommand(const std::vector<std::string>& args) {
    (void)args;
    std::fputs("harlune-cli: this command is not available yet\n", stderr);
    return 2;
}

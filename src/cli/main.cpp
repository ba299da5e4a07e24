// harlune-cli: the phone link from the command line, for scripts, USB modems and diagnosis.
#include <iostream>

#include "clirun.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCli(args, std::cout, std::cerr);
}

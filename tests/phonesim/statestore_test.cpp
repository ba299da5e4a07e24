// The state file as two programs meet it: a corrupt file is reported, left byte-identical and
// never saved over; a second process on the same file is kept off and told who holds it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "peerrig.h"
#include "phonesim/statestore.h"

using namespace phonesim;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Folder {
    Folder() {
        char dir[] = "/tmp/phonesim-store-XXXXXX";
        path = mkdtemp(dir);
    }
    ~Folder() { (void)!std::system(("rm -rf '" + path + "'").c_str()); }
    std::string path;
};

// The phone program on stdin/stdout: these command lines in, then the input ends.
peers::ProgramResult RunPhone(const std::string& state, const std::string& commands) {
    return peers::RunProgram(
        {"sh", "-c",
         "printf '" + commands + "' | '" PHONESIM_EXE "' --stdio --state '" + state + "'"},
        30);
}

TEST(StateStore, CorruptFileIsReportedLeftAloneAndNotSavedOver) {
    Folder dir;
    const std::string path = dir.path + "/phone.state";
    const std::string corrupt =
        "harlune-phonesim-state 1\nstorage\tSM\t10\t20\t18\nbogus\tline\n\xff\x01tail";
    std::ofstream(path, std::ios::binary) << corrupt;

    peers::ProgramResult r =
        RunPhone(path, "ATE0\\rAT+CPBW=1,\\042555\\042,129,\\042Edit\\042\\rAT+CPBR=1\\r");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("cannot be read (" + path + ": line 3: unknown record \"bogus\")"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("it is left as it is, this run uses the demo data and saves nothing"),
              std::string::npos);
    // The edit happened in memory (the phone answers with it) ...
    EXPECT_NE(r.output.find("+CPBR: 1,\"555\",129,\"Edit\""), std::string::npos)
        << "[" << r.output << "]";
    // ... and the file is byte-identical.
    EXPECT_EQ(ReadFile(path), corrupt);
}

TEST(StateStore, ASecondProcessIsToldWhoHoldsTheFile) {
    Folder dir;
    const std::string path = dir.path + "/phone.state";
    OpenedState first = OpenStateFile(path);
    ASSERT_EQ(first.result, OpenedState::Result::Created) << first.message;
    const std::string saved = ReadFile(path);

    peers::ProgramResult r =
        RunPhone(path, "ATE0\\rAT+CPBW=1,\\042555\\042,129,\\042Lost?\\042\\r");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("is in use by process " + std::to_string(getpid()) + " ("),
              std::string::npos)
        << r.output;
    EXPECT_EQ(ReadFile(path), saved); // the holder's file is not written by the second one

    first.lock.reset();
    OpenedState again = OpenStateFile(path);
    EXPECT_EQ(again.result, OpenedState::Result::Loaded) << again.message;
}

} // namespace

// harlune-cli finding its serial ports: --port N through the user's COM map.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <stdlib.h>

#include "cli/clirun.h"
#include "cli/portscommand.h"
#include "phonelink/simphone.h"
#include "serialports/portenum.h"

namespace {

namespace fs = std::filesystem;

struct ConfigHome {
    ConfigHome() {
        std::string pattern = (fs::temp_directory_path() / "harlune-ports-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        fs::create_directories(dir / "harlune");
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    ~ConfigHome() {
        ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void WriteRegistry(const std::string& text) {
        std::ofstream(dir / "harlune" / "registry.ini") << text;
    }
    fs::path dir;
};

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(CliPort, OpensTheDeviceTheComMapNames) {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.sim.entries[3] = {"0701234", 129, "Anna"};
    SimPhone sim(state);
    ConfigHome home;
    home.WriteRegistry("[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"COM7\"=\"" +
                       sim.pty.DevicePath() + "\"\n");
    CliRun r = Cli({"--port", "7", "phonebook", "read", "--storage", "SM"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Anna"), std::string::npos) << r.out;

    CliRun unmapped = Cli({"--port", "8", "phonebook", "read"});
    EXPECT_EQ(unmapped.status, 3);
    EXPECT_NE(unmapped.err.find("COM8 is not in the COM map"), std::string::npos) << unmapped.err;
    EXPECT_NE(unmapped.err.find("registry.ini"), std::string::npos) << unmapped.err;

    home.WriteRegistry("[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"COM7\"=\n");
    CliRun malformed = Cli({"--port", "7", "phonebook", "read"});
    EXPECT_EQ(malformed.status, 3);
    EXPECT_NE(malformed.err.find("line 2"), std::string::npos) << malformed.err;
}

TEST(CliPorts, ListsAPtyPresentedAsAUsbModemAndProbesIt) {
    SimPhone sim;
    serialports::FixedPortEnumerator ports(
        {{sim.pty.DevicePath(), "Dunmere", "Test \"modem\"", "usb-1", "00"}});
    std::ostringstream out, err;
    ASSERT_EQ(RunPortsCommand({"ports"}, out, err, ports), 0) << err.str();
    EXPECT_EQ(out.str(), sim.pty.DevicePath() + "\tDunmere\tTest \"modem\"\t-\tyes\n");
    std::ostringstream json;
    ASSERT_EQ(RunPortsCommand({"ports", "--json", "--no-probe"}, json, err, ports), 0);
    EXPECT_EQ(
        json.str(),
        "[{\"device\":\"" + sim.pty.DevicePath() +
            "\",\"maker\":\"Dunmere\",\"product\":\"Test \\\"modem\\\"\",\"interface\":\"00\","
            "\"holders\":[],\"answers_at\":\"-\"}]\n");
    std::ostringstream usage;
    EXPECT_EQ(RunPortsCommand({"ports", "--frob"}, out, usage, ports), 2);
}

} // namespace

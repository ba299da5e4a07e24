// The automatic stack choice of harlune-cli's Bluetooth commands, with the BlueZ probe injected so
// the machine's own system bus never decides the outcome.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "btstack/backend.h"
#include "cli/stackcommands.h"

namespace {

// Keeps the demo phone's files, and anything pointed at the user's folders, out of $HOME.
class StackChoiceCli : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/harlune-cli-stack-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ::setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        // Should anything reach for BlueZ, it finds no bus rather than this machine's.
        ::setenv("HARLUNE_BLUEZ_BUS", ("unix:path=" + (m_dir / "no-bus").string()).c_str(), 1);
    }
    void TearDown() override {
        btstack::SetBackend(nullptr);
        ::unsetenv("HARLUNE_BLUEZ_BUS");
        std::filesystem::remove_all(m_dir);
    }
    std::filesystem::path m_dir;
};

TEST_F(StackChoiceCli, NoAdapterMeansDemoPhoneAndSaysWhy) {
    int asked = 0;
    auto absent = [&](std::string* why) {
        ++asked;
        *why = "no system bus";
        return false;
    };
    std::ostringstream out, err;
    EXPECT_EQ(RunStackCommand({"devices"}, out, err, absent), 0) << err.str();
    EXPECT_EQ(asked, 1);
    EXPECT_NE(err.str().find("Using the demo phone: no Bluetooth adapter found (no system bus)"), std::string::npos)
        << err.str();
    EXPECT_NE(out.str().find("T68 demo phone"), std::string::npos) << out.str();
}

TEST_F(StackChoiceCli, ExplicitStackNeverAsksTheProbeForTheDemoPhone) {
    int asked = 0;
    auto present = [&](std::string* why) {
        ++asked;
        *why = "Bluetooth adapter hci0 found";
        return true;
    };
    std::ostringstream out, err;
    EXPECT_EQ(RunStackCommand({"devices", "--stack=sim"}, out, err, present), 0) << err.str();
    EXPECT_EQ(asked, 0);
    // stdout is the listing alone, whatever was chosen.
    EXPECT_EQ(out.str().find("Using"), std::string::npos);
}

TEST_F(StackChoiceCli, AdapterFoundMeansBluez) {
    auto present = [](std::string* why) {
        *why = "Bluetooth adapter hci0 found";
        return true;
    };
    std::ostringstream out, err;
    // BlueZ is chosen; the bus then is not there, which the listing reports as a connection failure.
    EXPECT_EQ(RunStackCommand({"devices"}, out, err, present), 3) << err.str();
    EXPECT_NE(err.str().find("Using Bluetooth adapter hci0"), std::string::npos) << err.str();
    EXPECT_EQ(out.str().find("T68 demo phone"), std::string::npos) << out.str();
}

} // namespace

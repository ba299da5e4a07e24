// harlune-cli against the emulated phone over a pty: each command, both output formats and the
// exit statuses.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include "cli/clioutput.h"
#include "cli/clirun.h"
#include "phonelink/simphone.h"

extern char** environ;

namespace {

using phonesim::FaultAction;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result RunTool(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

class CliOnPhone : public ::testing::Test {
protected:
    void SetUp() override {
        phonesim::PhoneState state = phonesim::PhoneState::Empty();
        state.sim.entries[1] = {"0701234", 129, "Anna/M"};
        state.sim.entries[4] = {"+4930123", 145, "J\xF6rg\tTab"};
        state.memory.entries[2] = {"555", 129, "Bobby, \"B\""};
        state.melodies[0].text = "c4d4e4";
        sim = std::make_unique<SimPhone>(state);
    }
    Result On(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device", sim->pty.DevicePath()});
        return RunTool(args);
    }
    phonesim::PhoneState State() { return sim->phone->Snapshot(); }
    std::unique_ptr<SimPhone> sim;
};

struct UsageCase {
    const char* label;
    std::vector<std::string> args;
    const char* message;
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

// CTest names carry the printed row: its words, not its bytes.
void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << (std::string_view(c.label).empty() ? "(empty)" : c.label);
}

// None of these may touch a port: the device named does not exist, so an open would give 3.
TEST_P(CliUsage, ExitsTwoWithAReason) {
    Result r = RunTool(GetParam().args);
    EXPECT_EQ(r.status, kExitUsage) << r.err;
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

const std::string kNoDevice = "/nonexistent/tty";

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliUsage,
    ::testing::Values(
        UsageCase{"Nothing", {}, "--port N or --device PATH"},
        UsageCase{"BadPort", {"--port", "x", "melody", "list"}, "--port needs a number"},
        UsageCase{"PortTooHigh", {"--port", "256", "melody", "list"}, "--port needs a number"},
        UsageCase{"Both", {"--port", "1", "--device", kNoDevice, "melody", "list"}, "not both"},
        UsageCase{"NoCommand", {"--device", kNoDevice}, "give a command"},
        UsageCase{"UnknownCommand", {"--device", kNoDevice, "phonebook", "fly"}, "unknown command"},
        UsageCase{"MissingOption", {"--device", kNoDevice, "phonebook", "add", "--storage", "SM", "--name", "a"},
                  "needs --number"},
        UsageCase{"MissingValue", {"--device", kNoDevice, "sms", "send", "--to"}, "--to needs a value"},
        UsageCase{"BadStorage", {"--device", kNoDevice, "phonebook", "read", "--storage", "XX"}, "SM or ME"},
        UsageCase{"ForeignOption", {"--device", kNoDevice, "melody", "list", "--name", "a"}, "does not belong"},
        UsageCase{"UnknownOption", {"--device", kNoDevice, "--bogus", "melody", "list"}, "unknown option"},
        // getopt would take the unique prefix for --device; only whole names count.
        UsageCase{"Abbreviated", {"--dev", kNoDevice, "melody", "list"}, "unknown option --dev"},
        UsageCase{"FlagWithValue", {"--device", kNoDevice, "--json=yes", "melody", "list"}, "--json takes no value"},
        UsageCase{"Twice", {"--device", kNoDevice, "sms", "send", "--to", "1", "--to", "2", "--text", "x"},
                  "given twice"},
        UsageCase{"ExportFormat", {"--device", kNoDevice, "phonebook", "export", "--format", "ldif", "f"},
                  "--format is vcf or csv"},
        UsageCase{"ExportNoFile", {"--device", kNoDevice, "phonebook", "export", "--format", "csv"}, "needs one FILE"},
        UsageCase{"VCardWithCsv", {"--device", kNoDevice, "phonebook", "export", "--format", "csv", "--vcard", "2.1", "f"},
                  "--vcard belongs to --format vcf"},
        UsageCase{"ImportMissingFile", {"--device", kNoDevice, "phonebook", "import", "/nonexistent/a.vcf"},
                  "does not exist"},
        UsageCase{"CopySameStorage", {"--device", kNoDevice, "phonebook", "copy", "--from", "SM", "--to", "SM"},
                  "name the same storage"},
        UsageCase{"MoveOnImport", {"--device", kNoDevice, "phonebook", "import", "f", "--move"}, "does not belong"},
        UsageCase{"RestoreNotABackup", {"--device", kNoDevice, "restore", "/proc/self/status"},
                  "not valid JSON"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Cli, HelpVersionAndUnopenablePorts) {
    Result help = RunTool({"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("phonebook read"), std::string::npos);
    Result version = RunTool({"--version"});
    EXPECT_EQ(version.status, kExitOk);
    EXPECT_TRUE(version.out.starts_with("harlune-cli "));

    Result missing = RunTool({"--device", kNoDevice, "melody", "list"});
    EXPECT_EQ(missing.status, kExitConnection);
    EXPECT_NE(missing.err.find("COM port open failed"), std::string::npos);
    Result unmapped = RunTool({"--port", "201", "melody", "list"});
    EXPECT_EQ(unmapped.status, kExitConnection);
    EXPECT_NE(unmapped.err.find("COM201"), std::string::npos) << unmapped.err;
}

TEST_F(CliOnPhone, PhonebookReadBothFormats) {
    Result tsv = On({"phonebook", "read"});
    ASSERT_EQ(tsv.status, kExitOk) << tsv.err;
    EXPECT_EQ(tsv.out, "SM\t1\t0701234\t129\tAnna/M\n"
                       "SM\t4\t+4930123\t145\tJörg\\tTab\n"
                       "ME\t2\t555\t129\tBobby, \"B\"\n");
    Result json = On({"--json", "phonebook", "read", "--storage", "ME"});
    ASSERT_EQ(json.status, kExitOk) << json.err;
    EXPECT_EQ(json.out, "[{\"storage\":\"ME\",\"position\":2,\"number\":\"555\",\"type\":129,"
                        "\"name\":\"Bobby, \\\"B\\\"\"}]\n");
}

TEST_F(CliOnPhone, PhonebookEditsAndRefusals) {
    Result add = On({"phonebook", "add", "--storage", "SM", "--name", "Åsa", "--number", "123"});
    ASSERT_EQ(add.status, kExitOk) << add.err;
    EXPECT_EQ(add.out, "SM\t2\t123\t129\tÅsa\n");
    EXPECT_EQ(State().sim.entries.at(2).name, "\xC5sa");

    Result tooLong = On({"phonebook", "add", "--storage", "SM", "--name", std::string(30, 'x'), "--number", "1"});
    EXPECT_EQ(tooLong.status, kExitRefused);
    EXPECT_NE(tooLong.err.find("text string too long"), std::string::npos) << tooLong.err;

    Result modify = On({"phonebook", "modify", "--storage", "SM", "--position", "4", "--name", "Jörg", "--number", "+4930999"});
    ASSERT_EQ(modify.status, kExitOk) << modify.err;
    EXPECT_EQ(State().sim.entries.at(4), (phonesim::PhonebookRecord{"+4930999", 145, "J\xF6rg"}));

    Result del = On({"--json", "phonebook", "delete", "--storage", "ME", "--position", "2"});
    ASSERT_EQ(del.status, kExitOk) << del.err;
    EXPECT_TRUE(State().memory.entries.empty());
    Result gone = On({"phonebook", "delete", "--storage", "ME", "--position", "2"});
    EXPECT_EQ(gone.status, kExitRefused);

    Result notText = On({"phonebook", "add", "--storage", "SM", "--name", "5 €", "--number", "1"});
    EXPECT_EQ(notText.status, kExitUsage) << "a name the phone cannot store is the user's to change";
}

TEST_F(CliOnPhone, Melodies) {
    Result list = On({"melody", "list"});
    ASSERT_EQ(list.status, kExitOk) << list.err;
    EXPECT_TRUE(list.out.starts_with("1\tc4d4e4\n")) << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 8);

    Result write = On({"--json", "melody", "write", "--index", "2", "--text", "g2g2"});
    ASSERT_EQ(write.status, kExitOk) << write.err;
    EXPECT_EQ(write.out, "{\"index\":2,\"text\":\"g2g2\"}\n");
    EXPECT_EQ(State().melodies[1].text, "g2g2");
    EXPECT_EQ(On({"melody", "write", "--index", "2", "--text", "zz"}).status, kExitRefused);
    EXPECT_EQ(On({"melody", "write", "--index", "42", "--text", "c4"}).status, kExitRefused);

    EXPECT_EQ(On({"melody", "play", "--sound", "32", "--level", "4"}).status, kExitOk);
    EXPECT_EQ(State().lastPlayedSound, 32);
    EXPECT_EQ(On({"melody", "set-default", "--sound", "35"}).status, kExitOk);
    EXPECT_EQ(State().ringSound, 35);
    EXPECT_EQ(On({"melody", "set-default", "--sound", "99"}).status, kExitRefused);
}

TEST_F(CliOnPhone, SmsSend) {
    Result sent = On({"sms", "send", "--to", "+46 70 1", "--text", "Grüße €"});
    ASSERT_EQ(sent.status, kExitOk) << sent.err;
    ASSERT_EQ(State().sent.size(), 1u);
    EXPECT_EQ(State().sent[0].text, "Grüße €");
    EXPECT_EQ(sent.out, std::to_string(State().sent[0].messageReference) + "\n");
    EXPECT_EQ(On({"sms", "send", "--to", "1", "--text", std::string(161, 'a')}).status, kExitUsage);
    sim->phone->AddFault({"AT+CMGS", FaultAction::CmsError, 38, 1});
    Result refused = On({"--json", "sms", "send", "--to", "1", "--text", "x"});
    EXPECT_EQ(refused.status, kExitRefused);
    EXPECT_NE(refused.err.find("network out of order"), std::string::npos);
}

TEST_F(CliOnPhone, LostConnectionExitsThree) {
    sim->phone->AddFault({"AT+CPBR=1", FaultAction::DropMidReply, 0, -1});
    Result r = On({"phonebook", "read"});
    EXPECT_EQ(r.status, kExitConnection);
    EXPECT_NE(r.err.find("connection lost"), std::string::npos);
}

TEST_F(CliOnPhone, RefusedSimStillPrintsPhoneMemory) {
    sim->phone->AddFault({"AT+CPBS=\"SM\"", FaultAction::CmeError, 10, -1});
    Result r = On({"phonebook", "read"});
    EXPECT_EQ(r.status, kExitRefused);
    EXPECT_EQ(r.out, "ME\t2\t555\t129\tBobby, \"B\"\n");
    EXPECT_NE(r.err.find("SIM not inserted"), std::string::npos);
}

// The installed program, run as a process.
TEST_F(CliOnPhone, ExecutableRunsAsAProcess) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string device = sim->pty.DevicePath();
    std::vector<std::string> args{HARLUNE_CLI_PATH, "--device", device, "--json", "phonebook", "read", "--storage", "SM"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, HARLUNE_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buffer[1024];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(text.starts_with("[{\"storage\":\"SM\",\"position\":1,")) << text;
}

TEST(CliOutput, FieldsStayOnOneLine) {
    EXPECT_EQ(TsvField("a\tb\\c\nd"), "a\\tb\\\\c\\nd");
    EXPECT_EQ(JsonString("q\"\x01"), "\"q\\\"\\u0001\"");
}

} // namespace

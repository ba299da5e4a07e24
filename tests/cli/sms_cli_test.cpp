// harlune-cli's message commands against the emulated phone: messages delivered through the
// phone's control commands appear in sms list and sms watch, and what was read stays in the
// archive when the phone deletes it or the line drops.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/clirun.h"
#include "cli/smskeep.h"
#include "phonelink/simphone.h"
#include "phonesim/control.h"

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

class SmsCli : public ::testing::Test {
protected:
    // The archive lives in a folder of the test's own, never in $HOME.
    void SetUp() override {
        char pattern[] = "/tmp/harlune-sms-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ::setenv("XDG_DATA_HOME", m_dir.c_str(), 1);
        Start(phonesim::PhoneState::Empty());
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    void Start(phonesim::PhoneState state) {
        sim.reset();
        sim = std::make_unique<SimPhone>(std::move(state));
        control = std::make_unique<phonesim::ControlCommands>(sim->phone);
    }
    Result On(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device", sim->pty.DevicePath()});
        return RunTool(args);
    }
    void Control(const std::string& line) {
        ASSERT_EQ(control->Run(line).rfind("OK", 0), 0u) << line;
    }
    nlohmann::json Archived() {
        Result r = RunTool({"sms", "export", "--format", "json"});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return nlohmann::json::parse(r.out);
    }
    std::string ArchiveFile() const { return (m_dir / "harlune" / "messages.sqlite").string(); }
    std::unique_ptr<SimPhone> sim;
    std::unique_ptr<phonesim::ControlCommands> control;
    std::filesystem::path m_dir;
};

std::string LongText() {
    std::string text;
    for (int i = 0; text.size() < 400; ++i)
        text += "Part of a long message, sentence " + std::to_string(i) + ". ";
    text.pop_back(); // the control line loses trailing blanks
    return text;
}

TEST_F(SmsCli, ListShowsDeliveredMessagesWithPartsPutTogether) {
    Control("deliver +4917012345 hello there");
    Control("deliver-parts +4917099 3,1,2 " + LongText()); // positions 2 (part 3), 3 (1), 4 (2)
    Control("deliver-parts 0301234 1,3 " + LongText());    // part 2 never comes
    Result r = On({"--json", "sms", "list"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    auto list = nlohmann::json::parse(r.out);
    ASSERT_EQ(list.size(), 3u) << r.out;
    EXPECT_EQ(list[0]["storage"], "SM");
    EXPECT_EQ(list[0]["indexes"], nlohmann::json::array({1}));
    EXPECT_EQ(list[0]["status"], "unread");
    EXPECT_EQ(list[0]["kind"], "deliver");
    EXPECT_EQ(list[0]["number"], "+4917012345");
    EXPECT_EQ(list[0]["text"], "hello there");
    EXPECT_EQ(list[0]["parts"], nlohmann::json::array({1, 1}));
    EXPECT_EQ(list[0]["time"].get<std::string>().size(), 25u) << "YYYY-MM-DDThh:mm:ss+hh:mm";

    EXPECT_EQ(list[1]["indexes"], nlohmann::json::array({3, 4, 2})) << "in part order";
    EXPECT_EQ(list[1]["text"], LongText());
    EXPECT_EQ(list[1]["parts"], nlohmann::json::array({3, 3}));
    EXPECT_EQ(list[2]["parts"], nlohmann::json::array({2, 3}));
    EXPECT_NE(list[2]["text"].get<std::string>().find("[part 2 of 3 missing]"), std::string::npos);

    // Listed once, the messages are read now; the text form has one line per message.
    Result tsv = On({"sms", "list", "--storage", "SM"});
    ASSERT_EQ(tsv.status, kExitOk) << tsv.err;
    EXPECT_EQ(tsv.out.rfind("SM\t1\tread\tdeliver\t+4917012345\t20", 0), 0u) << tsv.out;
    EXPECT_EQ(std::count(tsv.out.begin(), tsv.out.end(), '\n'), 3);

    Result one = On({"--json", "sms", "read", "1"});
    ASSERT_EQ(one.status, kExitOk) << one.err;
    EXPECT_EQ(nlohmann::json::parse(one.out)["text"], "hello there");
    Result empty = On({"sms", "read", "9"});
    EXPECT_EQ(empty.status, kExitRefused);
    EXPECT_NE(empty.err.find("message 9 of the SIM's storage"), std::string::npos) << empty.err;

    // Listed twice and read once, each part is in the archive once.
    EXPECT_EQ(Archived().size(), 6u);
}

TEST_F(SmsCli, AFullSimAndAnUndecodablePduAreReportedAndTheRestPrinted) {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.smsSim.size = 2;
    Start(state);
    Control("deliver +4917012345 one");
    Control("deliver +4917012345 two");
    sim->phone->Modify([](phonesim::PhoneState& s) {
        s.smsMemory.messages[5] = {phonesim::MessageStatus::ReceivedRead,
                                   "0791947106004034040C9194"};
    });
    Result r = On({"sms", "list"});
    EXPECT_EQ(r.status, kExitRefused);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);
    EXPECT_NE(r.err.find("the SIM's message storage is full (2 of 2)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("message 5 of the phone's storage does not decode"), std::string::npos)
        << r.err;
}

TEST_F(SmsCli, WatchPrintsEachNewMessageOnceWhole) {
    const std::string marker = ::testing::TempDir() + "sms_watch_exec.txt";
    std::remove(marker.c_str());
    Result r;
    std::thread watcher([&] {
        r = On({"--json", "sms", "watch", "--count", "2", "--exec",
                "printf '%s|' \"$HARLUNE_SMS_NUMBER\" >> " + marker});
    });
    // Deliver only once the watch asked for announcements.
    auto asked = [&] {
        auto log = sim->phone->CommandLog();
        return std::any_of(log.begin(), log.end(),
                           [](const std::string& l) { return l.starts_with("AT+CNMI="); });
    };
    for (int i = 0; i < 200 && !asked(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Control("deliver +4917012345 while watching");
    Control("deliver-parts +4917099 2,3,1 " + LongText());
    watcher.join();
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::string first, second;
    ASSERT_TRUE(std::getline(lines, first) && std::getline(lines, second)) << r.out;
    EXPECT_EQ(nlohmann::json::parse(first)["text"], "while watching");
    EXPECT_EQ(nlohmann::json::parse(second)["text"], LongText());
    EXPECT_EQ(nlohmann::json::parse(second)["parts"], nlohmann::json::array({3, 3}));
    std::ifstream ran(marker);
    std::string numbers((std::istreambuf_iterator<char>(ran)), {});
    EXPECT_EQ(numbers, "+4917012345|+4917099|");
    EXPECT_EQ(Archived().size(), 4u) << "the single message and the three parts";
}

// The reports name the number as it went, without the blanks the user typed.
TEST_F(SmsCli, SendLongWithReportsPrintsEveryPartAndItsOutcome) {
    Result r =
        On({"sms", "send", "--long", "--report", "--to", "+49 170 12345", "--text", LongText()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    auto sent = sim->phone->Snapshot().sent;
    ASSERT_EQ(sent.size(), 3u);
    std::string want;
    for (const auto& part : sent)
        want += std::to_string(part.messageReference) + "\n";
    for (const auto& part : sent)
        want += "report\t" + std::to_string(part.messageReference) + "\tdelivered\n";
    EXPECT_EQ(r.out, want);

    // Without --long the one-message rule holds.
    Result one =
        On({"--json", "sms", "send", "--report", "--to", "+4917012345", "--text", LongText()});
    EXPECT_EQ(one.status, kExitUsage) << one.err;
    EXPECT_EQ(sim->phone->Snapshot().sent.size(), 3u);
}

TEST_F(SmsCli, UsageErrorsNeverTouchThePort) {
    for (auto [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--device", "/nonexistent/tty", "sms", "read"}, "needs one INDEX"},
             {{"--device", "/nonexistent/tty", "sms", "read", "x"}, "INDEX is a storage position"},
             {{"--device", "/nonexistent/tty", "sms", "list", "--storage", "XX"}, "SM or ME"},
             {{"--device", "/nonexistent/tty", "sms", "list", "--exec", "true"},
              "belongs to sms watch"},
             {{"--device", "/nonexistent/tty", "sms", "fly"}, "unknown command sms fly"},
             {{"--device", "/nonexistent/tty", "sms", "send", "--long", "--to", "1"},
              "needs --text"},
             {{"--device", "/nonexistent/tty", "sms", "list", "--report"}, "belong to sms send"},
             {{"--device", "/nonexistent/tty", "sms", "list", "--free"}, "belongs to sms archive"},
             {{"--device", "/nonexistent/tty", "sms", "delete"}, "sms delete needs one INDEX"},
             {{"sms", "export", "a", "b", "--format", "csv"}, "at most one FILE"},
             {{"sms", "export"}, "needs --format csv or --format json"},
             {{"sms", "list"}, "--port N or --device PATH"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunCli(args, out, err), kExitUsage) << message;
        EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    }
}

TEST(SmsStorageRoom, FullAndNearlyFullAreSaid) {
    for (auto [used, total, said] : std::vector<std::tuple<int, int, std::string>>{
             {2, 2, "the SIM's message storage is full (2 of 2)"},
             {1, 2, ""},
             {8, 10, "the SIM's message storage is nearly full (8 of 10)"},
             {7, 10, ""},
             {90, 100, "the SIM's message storage is nearly full (90 of 100)"},
             {89, 100, ""},
             {3, -1, ""}}) {
        const std::string sentence = StorageRoomSentence({"SM", used, total});
        EXPECT_EQ(sentence.substr(0, said.size()), said) << used << " of " << total;
        EXPECT_EQ(sentence.empty(), said.empty()) << sentence;
    }
}

TEST_F(SmsCli, DeleteArchivesFirstAndDeletesNothingTheArchiveCouldNotTake) {
    Control("deliver +4917012345 one");
    Control("deliver +4917012345 two");
    Result gone = On({"sms", "delete", "1"});
    ASSERT_EQ(gone.status, kExitOk) << gone.err;
    EXPECT_EQ(gone.out, "Deleted message 1 of the SIM's storage; the archive keeps it.\n");
    EXPECT_EQ(sim->phone->Snapshot().smsSim.messages.count(1), 0u);
    const std::string csv = (m_dir / "out.csv").string();
    Result file = RunTool({"sms", "export", "--format", "csv", csv});
    ASSERT_EQ(file.status, kExitOk) << file.err;
    EXPECT_EQ(file.out, "Exported 1 message to " + csv + ".\n");
    std::ifstream in(csv);
    std::string header, row;
    ASSERT_TRUE(std::getline(in, header) && std::getline(in, row));
    EXPECT_NE(row.find(",SM,1,unread,deliver,+4917012345,"), std::string::npos) << row;
    EXPECT_NE(row.find(",one,"), std::string::npos) << row;

    // An archive that cannot take the message: it stays on the phone, and the sentence says why.
    std::filesystem::remove(ArchiveFile() + "-wal");
    std::filesystem::remove(ArchiveFile() + "-shm");
    std::ofstream(ArchiveFile(), std::ios::trunc) << "not a database, not even close to one";
    Result kept = On({"sms", "delete", "2"});
    EXPECT_EQ(kept.status, kExitRefused);
    EXPECT_NE(kept.err.find("message 2 of the SIM's storage was not deleted, because it could not "
                            "be archived: The message archive "),
              std::string::npos)
        << kept.err;
    EXPECT_EQ(sim->phone->Snapshot().smsSim.messages.count(2), 1u);
    Result none = On({"sms", "archive", "--free"});
    EXPECT_EQ(none.status, kExitRefused);
    EXPECT_NE(none.err.find("nothing was archived or deleted: "), std::string::npos) << none.err;
    EXPECT_EQ(sim->phone->Snapshot().smsSim.messages.count(2), 1u);
}

TEST_F(SmsCli, ArchiveFreeEmptiesTheStorageOnceEverythingIsArchived) {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.smsSim.size = 10;
    Start(state);
    for (int i = 0; i < 5; ++i)
        Control("deliver +4917012345 message " + std::to_string(i));
    Control("deliver-parts +4917099 2,3,1 " + LongText()); // positions 6..8
    Result list = On({"sms", "list", "--storage", "SM"});
    ASSERT_EQ(list.status, kExitOk) << list.err;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 6);
    EXPECT_NE(list.err.find("the SIM's message storage is nearly full (8 of 10)"),
              std::string::npos)
        << list.err;

    // Everything is archived already: freeing adds nothing and deletes all eight.
    Result freed = On({"sms", "archive", "--free"});
    ASSERT_EQ(freed.status, kExitOk) << freed.err;
    EXPECT_EQ(freed.out, "Read 8 messages, 0 of them new to the archive; freed 8 messages on the "
                         "phone.\nSIM 0 of 10, phone 0 of 100\n");
    EXPECT_TRUE(sim->phone->Snapshot().smsSim.messages.empty());
    Result again = On({"--json", "sms", "archive"});
    ASSERT_EQ(again.status, kExitOk) << again.err;
    EXPECT_EQ(nlohmann::json::parse(again.out)["archived"], 0);

    auto archived = Archived();
    ASSERT_EQ(archived.size(), 8u);
    int parts = 0;
    for (const auto& m : archived)
        parts += m.contains("parts");
    EXPECT_EQ(parts, 3) << "the long message's parts are kept as they came";
}

TEST_F(SmsCli, AListingCutByAHangUpLosesNothingArchived) {
    Control("deliver +4917012345 early");
    ASSERT_EQ(On({"sms", "list"}).status, kExitOk);
    for (int i = 0; i < 5; ++i)
        Control("deliver +4917012345 late " + std::to_string(i));
    // The phone sends half of the listing of six, then hangs up.
    sim->phone->AddFault({"AT+CMGL", phonesim::FaultAction::DropMidReply, 0, 1});
    Result cut = On({"sms", "list"});
    EXPECT_EQ(cut.status, kExitConnection);
    const long listed = std::count(cut.out.begin(), cut.out.end(), '\n');
    EXPECT_GE(listed, 2) << cut.out;
    EXPECT_LT(listed, 6) << cut.out;
    // What came before the cut is archived beside the earlier one, nothing twice.
    EXPECT_EQ(static_cast<long>(Archived().size()), listed);
}

} // namespace

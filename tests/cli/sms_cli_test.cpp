// harlune-cli's message commands against the emulated phone: messages delivered through the
// phone's control commands appear in sms list and sms watch.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/clirun.h"
#include "phonelink/simphone.h"
#include "phonesim/control.h"

namespace {

struct Result {
    int status;
    std::string out, err;
};

class SmsCli : public ::testing::Test {
protected:
    void SetUp() override { Start(phonesim::PhoneState::Empty()); }
    void Start(phonesim::PhoneState state) {
        sim.reset();
        sim = std::make_unique<SimPhone>(std::move(state));
        control = std::make_unique<phonesim::ControlCommands>(sim->phone);
    }
    Result On(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device", sim->pty.DevicePath()});
        std::ostringstream out, err;
        int status = RunCli(args, out, err);
        return {status, out.str(), err.str()};
    }
    void Control(const std::string& line) {
        ASSERT_EQ(control->Run(line).rfind("OK", 0), 0u) << line;
    }
    std::unique_ptr<SimPhone> sim;
    std::unique_ptr<phonesim::ControlCommands> control;
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
}

TEST_F(SmsCli, SendLongWithReportsPrintsEveryPartAndItsOutcome) {
    Result r =
        On({"sms", "send", "--long", "--report", "--to", "+4917012345", "--text", LongText()});
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
             {{"sms", "list"}, "--port N or --device PATH"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunCli(args, out, err), kExitUsage) << message;
        EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    }
}

} // namespace

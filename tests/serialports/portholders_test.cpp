// Who holds a port: a child process holds a pty open, and the open failure names it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "phonelink/comport.h"
#include "serialports/portholders.h"

namespace {

// A pty whose slave a forked child ("port-holder") opens and locks, as another program would.
struct HeldPty {
    HeldPty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master);
        ::unlockpt(master);
        path = ::ptsname(master);
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        child = ::fork();
        if (child == 0) {
            ::prctl(PR_SET_NAME, "port-holder");
            int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
            ::flock(fd, LOCK_EX);
            char one = 1;
            [[maybe_unused]] ssize_t n = ::write(ready[1], &one, 1);
            ::pause();
            ::_exit(0);
        }
        char one = 0;
        EXPECT_EQ(::read(ready[0], &one, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~HeldPty() {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(master);
    }
    int master = -1;
    std::string path;
    pid_t child = -1;
};

TEST(PortHolders, PortHeldByAnotherProcessNamesItAndItsPid) {
    HeldPty pty;
    const std::string pid = std::to_string(pty.child);
    const std::vector<serialports::PortHolder> holders = serialports::FindPortHolders(pty.path);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, pty.child);
    EXPECT_EQ(holders[0].name, "port-holder");

    CComPort port;
    EXPECT_FALSE(port.OpenDevice(pty.path));
    EXPECT_EQ(port.OpenError(), pty.path + ": already in use by port-holder (PID " + pid +
                                    "). Close that program and try again.");
}

// A fake /proc: ModemManager is running, its descriptors are not readable (another user).
TEST(PortHolders, InvisibleHolderWithModemManagerRunningGetsTheUdevTag) {
    std::string pattern = (std::filesystem::temp_directory_path() / "harlune-proc-XXXXXX").string();
    const std::string proc = ::mkdtemp(pattern.data());
    ASSERT_EQ(::mkdir((proc + "/812").c_str(), 0755), 0);
    FILE* comm = std::fopen((proc + "/812/comm").c_str(), "w");
    std::fputs("ModemManager\n", comm);
    std::fclose(comm);
    const std::string text =
        serialports::ExplainOpenFailure("/dev/null", "already in use", EWOULDBLOCK, proc);
    EXPECT_NE(text.find("ModemManager (PID 812)"), std::string::npos) << text;
    EXPECT_NE(text.find("ENV{ID_MM_DEVICE_IGNORE}=\"1\""), std::string::npos) << text;
    std::remove((proc + "/812/comm").c_str());
    ::rmdir((proc + "/812").c_str());
    ::rmdir(proc.c_str());
}

// A device owned by a group the user is not in: the advice names the group and the command.
TEST(PortHolders, PermissionDeniedNamesTheGroupToJoin) {
    std::string pattern = (std::filesystem::temp_directory_path() / "harlune-dev-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    ASSERT_GE(fd, 0);
    ::close(fd);
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    gid_t foreign = 0;
    for (gid_t candidate = 20; candidate < 60000 && !foreign; ++candidate)
        if (candidate != ::getegid() &&
            std::find(groups, groups + std::max(count, 0), candidate) == groups + count &&
            ::getgrgid(candidate))
            foreign = candidate;
    if (!foreign || ::chown(pattern.c_str(), ::geteuid(), foreign) != 0) {
        std::remove(pattern.c_str());
        GTEST_SKIP() << "no group to hand the file to";
    }
    const std::string group = ::getgrgid(foreign)->gr_name;
    const std::string text = serialports::ExplainOpenFailure(pattern, "Permission denied", EACCES);
    std::remove(pattern.c_str());
    EXPECT_NE(text.find("belongs to the group " + group + ", and you are not in it"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("sudo usermod -aG " + group + " $USER"), std::string::npos) << text;
}

} // namespace

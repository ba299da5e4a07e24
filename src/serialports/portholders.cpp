#include "serialports/portholders.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serialports {
namespace {

bool isPid(const char* name) {
    if (!*name)
        return false;
    for (const char* p = name; *p; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}

std::string processName(const std::string& procRoot, const std::string& pid) {
    std::ifstream in(procRoot + "/" + pid + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "an unnamed process" : name;
}

template <typename Visit> void forEachPid(const std::string& procRoot, Visit visit) {
    DIR* proc = ::opendir(procRoot.c_str());
    if (!proc)
        return;
    while (dirent* entry = ::readdir(proc))
        if (isPid(entry->d_name))
            visit(std::string(entry->d_name));
    ::closedir(proc);
}

constexpr const char* kModemManager = "ModemManager";

std::string modemManagerAdvice() {
    return " ModemManager probes every new modem for a few seconds after it is plugged in and may "
           "keep "
           "it; to make it leave this device alone, give the device the udev tag "
           "ENV{ID_MM_DEVICE_IGNORE}=\"1\" (a rule in /etc/udev/rules.d/ matching its "
           "ATTRS{idVendor} and "
           "ATTRS{idProduct}, then 'udevadm control --reload' and plug it in again), or wait until "
           "the "
           "probe is over and try again.";
}

bool inGroup(gid_t gid) {
    if (::getegid() == gid)
        return true;
    gid_t groups[256];
    const int n = ::getgroups(256, groups);
    for (int i = 0; i < n; ++i)
        if (groups[i] == gid)
            return true;
    return false;
}

} // namespace

std::vector<PortHolder> FindPortHolders(const std::string& devicePath,
                                        const std::string& procRoot) {
    std::vector<PortHolder> holders;
    struct stat device {};
    if (::stat(devicePath.c_str(), &device) != 0)
        return holders;
    forEachPid(procRoot, [&](const std::string& pid) {
        const std::string fdDir = procRoot + "/" + pid + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds)
            return; // another user's process
        int count = 0;
        while (dirent* fd = ::readdir(fds)) {
            if (!isPid(fd->d_name))
                continue;
            struct stat target {};
            // stat follows the descriptor's link to the open file itself.
            if (::stat((fdDir + "/" + fd->d_name).c_str(), &target) == 0 &&
                target.st_ino == device.st_ino && target.st_dev == device.st_dev)
                ++count;
        }
        ::closedir(fds);
        if (count > 0)
            holders.push_back({std::atoi(pid.c_str()), processName(procRoot, pid), count});
    });
    return holders;
}

std::vector<int> FindProcesses(const std::string& name, const std::string& procRoot) {
    std::vector<int> pids;
    forEachPid(procRoot, [&](const std::string& pid) {
        if (processName(procRoot, pid) == name)
            pids.push_back(std::atoi(pid.c_str()));
    });
    return pids;
}

std::string DescribeHolders(const std::vector<PortHolder>& holders) {
    std::string text;
    for (size_t i = 0; i < holders.size(); ++i) {
        if (i)
            text += i + 1 == holders.size() ? " and " : ", ";
        const bool self = holders[i].pid == ::getpid();
        text += (self ? "this program" : holders[i].name) + " (PID " +
                std::to_string(holders[i].pid) + ")";
    }
    return text;
}

std::string ExplainOpenFailure(const std::string& devicePath, const std::string& reason, int err,
                               const std::string& procRoot) {
    // "Device or resource busy" is what a port held with TIOCEXCL says; the holder follows.
    std::string text = devicePath + ": " + (err == EBUSY ? std::string("already in use") : reason);
    if (err == EACCES || err == EPERM) {
        struct stat st {};
        if (::stat(devicePath.c_str(), &st) == 0 && !inGroup(st.st_gid)) {
            const group* owner = ::getgrgid(st.st_gid);
            const std::string name = owner ? owner->gr_name : std::to_string(st.st_gid);
            text += ". The device belongs to the group " + name +
                    ", and you are not in it: run 'sudo usermod -aG " + name +
                    " $USER', then log out and in again.";
        }
        return text;
    }
    if (err != EBUSY && err != EWOULDBLOCK)
        return text;
    std::vector<PortHolder> holders;
    for (PortHolder h : FindPortHolders(devicePath, procRoot)) {
        if (h.pid == ::getpid() && err == EWOULDBLOCK)
            --h.descriptors;
        if (h.descriptors > 0)
            holders.push_back(h);
    }
    bool modemManager = false;
    for (const PortHolder& h : holders)
        modemManager = modemManager || h.name == kModemManager;
    if (!holders.empty()) {
        text += " by " + DescribeHolders(holders) + ".";
    } else {
        const std::vector<int> mm = FindProcesses(kModemManager, procRoot);
        if (!mm.empty()) {
            modemManager = true;
            text += " by a process this user cannot see; ModemManager (PID " +
                    std::to_string(mm.front()) + ") is running and is the likely holder.";
        } else {
            text += " by a process this user cannot see (another user's program).";
        }
    }
    if (modemManager)
        text += modemManagerAdvice();
    else if (!holders.empty())
        text += " Close that program and try again.";
    return text;
}

} // namespace serialports

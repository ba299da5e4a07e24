#pragma once
// Who holds a serial port open, and what to tell the user when a port cannot be opened. Found
// through /proc/*/fd; processes of other users are not readable there, so a holder may stay
// unknown (ModemManager runs as root: its presence is then told apart by its process name).
#include <string>
#include <vector>

namespace serialports {

struct PortHolder {
    int pid = 0;
    std::string name; // /proc/PID/comm
    int descriptors = 0;
};

// Every process with a descriptor on the device (the same inode; a symlink such as
// /dev/serial/by-id/... matches the device it points at). procRoot is /proc outside tests.
std::vector<PortHolder> FindPortHolders(const std::string& devicePath,
                                        const std::string& procRoot = "/proc");

// PIDs of the processes whose name is `name`.
std::vector<int> FindProcesses(const std::string& name, const std::string& procRoot = "/proc");

// "minicom (PID 4242)", "ModemManager (PID 812) and picocom (PID 77)".
std::string DescribeHolders(const std::vector<PortHolder>& holders);

// The sentence for a port that did not open: `reason` is what the open said ("already in use",
// strerror), err the errno (EBUSY, EACCES, EWOULDBLOCK, ...). Names the holders, with advice
// when it is ModemManager (the udev tag that makes it leave the device alone) or when the user
// lacks the group that owns the device (dialout). With EWOULDBLOCK (a lock refused) the caller
// still holds the descriptor it tried to lock; that one does not count as a holder.
std::string ExplainOpenFailure(const std::string& devicePath, const std::string& reason, int err,
                               const std::string& procRoot = "/proc");

} // namespace serialports

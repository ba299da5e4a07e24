#pragma once
// Opening the emulated phone's state file for a run: a lock that keeps a second process off the
// file (and names the one holding it), and the rule for a file that cannot be read: it is left
// exactly as it is, the phone runs on the demo data, and nothing of that run is saved over it.
#include <memory>
#include <string>

#include "phonesim/phonestate.h"

namespace phonesim {

// An exclusive flock on "<state file>.lock", which records the holder's process id and name.
// The lock is on a file of its own because saving replaces the state file by a rename.
class StateFileLock {
public:
    ~StateFileLock();
    StateFileLock(const StateFileLock&) = delete;
    StateFileLock& operator=(const StateFileLock&) = delete;

    // Null when another process holds it; *holder then says which ("process 1234
    // (harlune-phonesim)"), or why the lock file could not be used.
    static std::unique_ptr<StateFileLock> Acquire(const std::string& statePath,
                                                  std::string* holder);

private:
    explicit StateFileLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

struct OpenedState {
    enum class Result {
        Loaded,      // the file's state; save there
        Created,     // no file: the demo data, saved there from now on
        Corrupt,     // unreadable: demo data in memory only, the file untouched
        InUse,       // another process holds the lock: demo data in memory only
        CannotCreate // no file and it cannot be made: demo data in memory only
    };
    Result result = Result::Created;
    PhoneState state;
    std::string message;                 // a sentence for the user when not Loaded/Created
    std::unique_ptr<StateFileLock> lock; // keep while the phone saves to the file
    bool SaveToFile() const { return result == Result::Loaded || result == Result::Created; }
};

OpenedState OpenStateFile(const std::string& path);

} // namespace phonesim

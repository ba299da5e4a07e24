#include "paths.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef HARLUNE_SOURCE_RES_DIR
#define HARLUNE_SOURCE_RES_DIR ""
#endif

namespace platform {
namespace {

bool isDir(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string xdgDir(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    std::string base;
    if (value && *value == '/')
        base = value;
    else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + fallbackUnderHome;
    }
    std::string dir = base + "/harlune";
    MakeDirs(dir);
    return dir;
}

} // namespace

bool MakeDirs(const std::string& path) {
    if (path.empty())
        return false;
    if (isDir(path))
        return true;
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        MakeDirs(path.substr(0, slash));
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string UserConfigDir() { return xdgDir("XDG_CONFIG_HOME", "/.config"); }
std::string UserDataDir() { return xdgDir("XDG_DATA_HOME", "/.local/share"); }

std::string SharedDataDir() {
    if (const char* env = std::getenv("HARLUNE_DATA_DIR"); env && *env)
        return env;
    char exe[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = '\0';
        std::string dir(exe);
        dir = dir.substr(0, dir.find_last_of('/'));
        std::string installed = dir.substr(0, dir.find_last_of('/')) + "/share/harlune";
        if (isDir(installed))
            return installed;
    }
    return HARLUNE_SOURCE_RES_DIR;
}

} // namespace platform

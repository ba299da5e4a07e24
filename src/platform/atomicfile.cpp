#include "platform/atomicfile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace platform {

bool ReadWholeFile(const std::string& path, std::string* text, bool* exists) {
    std::ifstream in(path, std::ios::binary);
    if (exists)
        *exists = static_cast<bool>(in);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *text = ss.str();
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (out)
            out << text << std::flush;
        if (!out) {
            ::unlink(tmp.c_str());
            if (error)
                *error = "cannot write " + tmp;
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        if (error)
            *error = "cannot replace " + path;
        return false;
    }
    return true;
}

} // namespace platform

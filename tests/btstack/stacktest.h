#pragma once
// Shared by the stack tests: a temporary folder that also holds the user's data folder, and the
// sim backend pointed at it.
#include <filesystem>
#include <memory>
#include <string>

#include <stdlib.h>

#include "btstack/backend.h"
#include "btstack/sim/simbackend.h"

namespace stacktest {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "harlune-stack-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

struct SimStack {
    explicit SimStack(uint16_t obexMaxPacket = 0x2000) {
        // Anything that falls back to the user's folders lands in the temporary one too.
        ::setenv("XDG_DATA_HOME", (dir.path / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir.path / "config").c_str(), 1);
        btstack::SimOptions options;
        options.dataDir = (dir.path / "phone").string();
        options.receivedDir = (dir.path / "received").string();
        options.obexMaxPacket = obexMaxPacket;
        backend = std::make_shared<btstack::SimBackend>(options);
        btstack::SetBackend(backend);
    }
    ~SimStack() { btstack::SetBackend(nullptr); }
    TempDir dir;
    std::shared_ptr<btstack::SimBackend> backend;
};

} // namespace stacktest

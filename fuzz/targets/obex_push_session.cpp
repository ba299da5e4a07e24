// The receiving side: a stream of request packets from an untrusted sender, decoded and fed to
// the push session, which must never write outside its folder.
#include "fuzzinput.h"
#include "obex/codec.h"
#include "obex/pushserver.h"

#include <filesystem>
#include <vector>

#include <unistd.h>

namespace {
// One folder for the whole run, removed when libFuzzer exits (it ends a timed run with exit(),
// which runs static destructors), so no run leaves a folder behind in the temporary directory.
struct TempFolder {
    std::string path;
    TempFolder() {
        char tmpl[] = "/tmp/harlune-fuzz-push-XXXXXX";
        if (const char* made = ::mkdtemp(tmpl))
            path = made;
        FUZZ_CHECK(!path.empty(), "a temporary folder can be made");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::string& folder() {
    static TempFolder dir;
    return dir.path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    obex::PushServerOptions options;
    options.folder = folder();
    options.maxObjectSize = 1 << 16;
    obex::PushSession session(options);
    std::vector<uint8_t> bytes(data, data + size);
    size_t offset = 0;
    while (offset < bytes.size()) {
        std::vector<uint8_t> rest(bytes.begin() + static_cast<long>(offset), bytes.end());
        auto result = obex::DecodeRequest(rest);
        if (result.status != obex::DecodeStatus::Good || result.consumed == 0)
            break;
        FUZZ_CHECK(result.consumed <= rest.size(), "a decoder consumes only what it was given");
        offset += result.consumed;
        auto reply = session.Handle(result.packet);
        if (reply.action == obex::PushSession::Action::Drop || reply.endSession)
            break;
    }
    for (const auto& object : session.Received())
        FUZZ_CHECK(obex::IsSafeObjectName(object.name), "only safe names are stored");
    for (const auto& entry : std::filesystem::directory_iterator(folder()))
        std::filesystem::remove_all(entry.path());
    return 0;
}

// BlueZ's device objects as a remote device fills them: the name and alias come from the
// device's own name request, the address and class from what it announced. Any text, any
// type, and the reading keeps its promises: every entry has a well-formed address, is listed
// once, and shows the alias, the name or its address.
#include "fuzzinput.h"
#include "btstack/bluez/bluezobjects.h"

#include <algorithm>
#include <vector>

using namespace btstack::bluez;

namespace {

// Takes the next field of the input: a length byte, then that many bytes.
std::string take(std::string_view& in) {
    if (in.empty())
        return {};
    const size_t n = std::min<size_t>(static_cast<unsigned char>(in[0]), in.size() - 1);
    std::string out(in.substr(1, n));
    in.remove_prefix(1 + n);
    return out;
}

BluezValue valueFrom(std::string_view& in) {
    const std::string kind = take(in);
    const std::string text = take(in);
    switch (kind.empty() ? 0 : kind[0] % 4) {
    case 0: return text;
    case 1: return !text.empty() && (text[0] & 1);
    case 2: {
        int64_t v = 0;
        for (char c : text.substr(0, 8))
            v = v << 8 | static_cast<unsigned char>(c);
        return v;
    }
    default: return std::monostate{};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in = AsText(data, size);
    std::vector<BluezObject> tree;
    while (!in.empty() && tree.size() < 16) {
        BluezObject object;
        object.path = take(in);
        BluezProperties& props = object.interfaces[take(in).empty() ? kAdapterInterface : kDeviceInterface];
        for (const char* name : {"Address", "Name", "Alias", "Class", "Paired"})
            props[name] = valueFrom(in);
        tree.push_back(std::move(object));
    }
    const std::vector<btstack::DeviceEntry> devices = DevicesFromObjects(tree);
    for (size_t i = 0; i < devices.size(); ++i) {
        const std::string key = btstack::RegistryKeyName(devices[i].address);
        FUZZ_CHECK(ParseBluezAddress(key) == devices[i].address, "the address reads back");
        FUZZ_CHECK(!devices[i].name.empty(), "every device has a name to show");
        for (size_t k = 0; k < i; ++k)
            FUZZ_CHECK(devices[k].address != devices[i].address, "each address once");
    }
    FindAdapter(tree);
    return 0;
}

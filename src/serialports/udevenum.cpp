// The udev side of the port enumeration.
#include "serialports/portenum.h"

#include <libudev.h>

#include <cstring>

namespace serialports {
namespace {

std::string property(udev_device* device, const char* name) {
    const char* value = udev_device_get_property_value(device, name);
    return value ? value : "";
}

int hexDigit(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// udev's *_ENC values escape blanks as \x20; the plain ones use underscores.
std::string readable(std::string text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            out += char(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else {
            out += text[i] == '_' ? ' ' : text[i];
        }
    }
    return out;
}

std::string firstOf(udev_device* device, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (std::string value = property(device, name); !value.empty())
            return name == std::string_view("ID_MODEL_FROM_DATABASE") ||
                           name == std::string_view("ID_VENDOR_FROM_DATABASE")
                       ? value
                       : readable(value);
    return {};
}

class UdevEnumerator : public PortEnumerator {
public:
    UdevEnumerator(udev* context) : m_udev(context) {
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (m_monitor) {
            udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr);
            if (udev_monitor_enable_receiving(m_monitor) < 0) {
                udev_monitor_unref(m_monitor);
                m_monitor = nullptr;
            }
        }
    }
    ~UdevEnumerator() override {
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        udev_unref(m_udev);
    }

    std::vector<SerialPortInfo> List() override {
        std::vector<SerialPortInfo> ports;
        udev_enumerate* scan = udev_enumerate_new(m_udev);
        if (!scan)
            return ports;
        udev_enumerate_add_match_subsystem(scan, "tty");
        udev_enumerate_scan_devices(scan);
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
            udev_device* device =
                udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
            if (!device)
                continue;
            const char* node = udev_device_get_devnode(device);
            const char* sysname = udev_device_get_sysname(device);
            const bool rfcomm = sysname && std::strncmp(sysname, "rfcomm", 6) == 0;
            udev_device* usb =
                udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
            if (node && (usb || rfcomm)) {
                SerialPortInfo info;
                info.devicePath = node;
                info.maker =
                    firstOf(device, {"ID_VENDOR_FROM_DATABASE", "ID_VENDOR_ENC", "ID_VENDOR"});
                info.product =
                    firstOf(device, {"ID_MODEL_FROM_DATABASE", "ID_MODEL_ENC", "ID_MODEL"});
                info.interfaceNumber = property(device, "ID_USB_INTERFACE_NUM");
                info.deviceKey = usb ? udev_device_get_syspath(usb) : node;
                if (rfcomm && info.product.empty())
                    info.product = "Bluetooth serial link";
                ports.push_back(std::move(info));
            }
            udev_device_unref(device);
        }
        udev_enumerate_unref(scan);
        return ports;
    }

    int ChangeFd() const override { return m_monitor ? udev_monitor_get_fd(m_monitor) : -1; }
    void DrainChanges() override {
        if (!m_monitor)
            return;
        while (udev_device* device = udev_monitor_receive_device(m_monitor))
            udev_device_unref(device);
    }

private:
    udev* m_udev;
    udev_monitor* m_monitor = nullptr;
};

} // namespace

std::unique_ptr<PortEnumerator> CreateUdevEnumerator(std::string* error) {
    udev* context = udev_new();
    if (!context) {
        *error = "udev is not available";
        return nullptr;
    }
    return std::make_unique<UdevEnumerator>(context);
}

} // namespace serialports

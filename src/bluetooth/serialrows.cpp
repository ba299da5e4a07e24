#include "serialrows.h"

#include <algorithm>

std::vector<SerialDeviceRow>
GroupSerialPorts(const std::vector<serialports::SerialPortInfo>& ports) {
    std::vector<std::string> keys;
    std::vector<std::vector<serialports::SerialPortInfo>> groups;
    for (const serialports::SerialPortInfo& port : ports) {
        const std::string key = port.deviceKey.empty() ? port.devicePath : port.deviceKey;
        auto it = std::find(keys.begin(), keys.end(), key);
        if (it == keys.end()) {
            keys.push_back(key);
            groups.push_back({port});
        } else {
            groups[size_t(it - keys.begin())].push_back(port);
        }
    }
    std::vector<SerialDeviceRow> rows;
    for (auto& group : groups) {
        std::stable_sort(group.begin(), group.end(), [](const auto& a, const auto& b) {
            return a.interfaceNumber < b.interfaceNumber;
        });
        SerialDeviceRow row;
        const serialports::SerialPortInfo& first = group.front();
        std::string name = first.maker;
        if (!first.product.empty())
            name += (name.empty() ? "" : " ") + first.product;
        if (name.empty())
            name = "Serial device";
        row.label = name + " (" + first.devicePath + (group.size() > 1 ? ", ..." : "") + ")";
        for (const auto& port : group)
            row.ports.push_back(port.devicePath);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string FindAtPort(const SerialDeviceRow& row, int timeoutMs, std::string* why) {
    why->clear();
    for (const std::string& port : row.ports) {
        const serialports::ProbeResult probe = serialports::ProbeAt(port, timeoutMs);
        if (probe.answer == serialports::AtAnswer::Ok) {
            why->clear();
            return port;
        }
        if (why->empty())
            *why = probe.detail;
    }
    return {};
}

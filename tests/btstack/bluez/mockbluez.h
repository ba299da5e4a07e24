#pragma once
// A private D-Bus with a mocked BlueZ on it (python3-dbusmock's bluez5 template), for tests.
// Both processes are children of the test, killed by their PIDs when the object goes.
#include <sys/types.h>

#include <cstdint>
#include <string>

class MockBluez {
public:
    MockBluez() = default;
    ~MockBluez();
    MockBluez(const MockBluez&) = delete;
    MockBluez& operator=(const MockBluez&) = delete;

    // Starts the bus, and the mock on it when withBluez is set. False with a reason when the
    // tools are missing or do not come up in time.
    bool Start(bool withBluez, std::string* error);
    const std::string& Address() const { return m_address; }

    bool AddAdapter(const std::string& name, std::string* error);
    // A paired device whose Class is set (the mock's PairDevice does not store it).
    bool AddPairedDevice(const std::string& adapter, const std::string& address, const std::string& name,
                         uint32_t classOfDevice, std::string* error);
    bool AddUnpairedDevice(const std::string& adapter, const std::string& address, const std::string& name,
                           std::string* error);

private:
    pid_t m_busPid = -1;
    pid_t m_mockPid = -1;
    std::string m_address;
    std::string m_connectionName;
};

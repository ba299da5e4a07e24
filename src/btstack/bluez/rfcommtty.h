#pragma once
// RFCOMM on Linux: connecting sockets, and the RFCOMM TTYs (/dev/rfcommN) that carry the serial
// link as a COM port. The choices (which TTY to use or create, when a link counts as gone, what
// to tell a user without the right to create one) are pure functions, tested apart.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "btstack/bttypes.h"

namespace btstack::bluez {

// One RFCOMM TTY as the kernel lists it.
struct RfcommDevice {
    int16_t id = 0;
    BdAddr address{}; // far side, first byte first
    uint8_t channel = 0;
    uint16_t state = 0; // the kernel's socket state (1 connected, 3 bound, 8 disconnecting, 9 closed)
};

inline constexpr uint16_t kRfcommStateConnected = 1;
inline constexpr uint16_t kRfcommStateBound = 3;
inline constexpr uint16_t kRfcommStateDisconnecting = 8;
inline constexpr uint16_t kRfcommStateClosed = 9;

std::string RfcommTtyPath(int16_t id);

// A TTY the user bound to the phone ("rfcomm bind"), preferring one on the wanted channel.
std::optional<int16_t> FindBoundDevice(const std::vector<RfcommDevice>& devices, const BdAddr& address,
                                       uint8_t channel);
// The lowest id from `first` on that no TTY uses; -1 when all are taken.
int16_t PickFreeDeviceId(const std::vector<RfcommDevice>& devices, int16_t first);
// Whether a link's TTY is gone, given what the kernel lists for its id now. A TTY the user bound
// stays theirs and idles between uses, so only its disappearance counts.
bool RfcommLinkGone(const std::optional<RfcommDevice>& now, bool borrowed);
// The plain words for a user whose process may not create RFCOMM TTYs.
std::string NoTtyRightsAdvice(const BdAddr& address, uint8_t channel, int16_t id);

// --- System calls (each bounded in time). ---

bool ListRfcommDevices(std::vector<RfcommDevice>* devices, std::string* error);
// A connected RFCOMM stream socket (close-on-exec, non-blocking), or -1 with a reason.
int ConnectRfcomm(const BdAddr& address, uint8_t channel, int timeoutMs, std::string* error);

enum class TtyResult { Ok, NoRights, Failed };
// Hands the connected socket's link to a new TTY with the given id (the socket may be closed
// afterwards) and waits up to appearTimeoutMs for its device node.
TtyResult CreateRfcommTty(int connectedFd, const BdAddr& address, uint8_t channel, int16_t id, int appearTimeoutMs,
                          std::string* error);
bool ReleaseRfcommTty(int16_t id, std::string* error);

} // namespace btstack::bluez

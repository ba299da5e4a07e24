#pragma once
// Which Bluetooth stack a run uses, and the sentence that tells the user. Plain C++ so that the
// GUI and harlune-cli decide alike and a test can feed any answer of the BlueZ probe.
#include <functional>
#include <string>
#include <string_view>

namespace stackchoice {

// True when BlueZ has an adapter; otherwise false and *why says what is missing.
using BluezProbe = std::function<bool(std::string* why)>;

struct StackChoice {
    std::string stack;      // "sim" or "bluez"
    std::string statusLine; // which stack is in use and why, for the first status line
};

// requested: the --stack value, empty when the command line names none. The probe is asked only
// when it can change the outcome or the sentence; an empty probe reads as "BlueZ not built in".
StackChoice ChooseStack(std::string_view requested, const BluezProbe& probe);

} // namespace stackchoice

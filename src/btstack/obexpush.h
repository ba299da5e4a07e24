#pragma once
// What the program's picture push promises, the same in the windows and on the command line:
// its size limit, how long it may take, and the sentence a failure reads as.
#include <cstdint>
#include <string>

#include "btstack/bttypes.h"

// The biggest file that is sent; a phone takes pictures of a few kilobytes.
constexpr int64_t kMaxPushBytes = 16 * 1024 * 1024;

// How long a whole push of `bytes` may take: a minute, plus a second per 4 KiB (a slow
// Bluetooth link still moves several times that). Past it the push ends as a time-out.
int PushSessionLimitMs(int64_t bytes);

// "the phone refused the picture: Forbidden (0xC3)", "the phone stopped answering", ...
// responseCode is the phone's OBEX response (0 when none arrived).
std::string ObexFailureSentence(tOBEX_ERRORS status, uint8_t responseCode);

// The emulated phone's command interpreter fed arbitrary bytes, in arbitrary pieces.
#include "fuzzinput.h"
#include "phonesim/atinterpreter.h"
#include "phonesim/phonestate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const phonesim::PhoneState demo = phonesim::PhoneState::Demo();
    phonesim::PhoneState state = demo;
    phonesim::AtInterpreter interpreter(state);
    size_t offset = 0;
    while (offset < size) {
        // The first byte of each piece says how long the piece is.
        size_t piece = 1 + data[offset] % 64;
        ++offset;
        piece = std::min(piece, size - offset);
        interpreter.Feed(AsText(data + offset, piece));
        offset += piece;
    }
    return 0;
}

#pragma once
// Makes the demo phone available as the stack backend "sim". A program that offers the demo
// phone calls this from main() beside the BlueZ registration; only then does it link the
// emulated phone.
namespace btstack {

void RegisterSimBackend();

} // namespace btstack

#pragma once
// Plugs the Messages view (170) into the frame's view switching.
void RegisterMessagesView();

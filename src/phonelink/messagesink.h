#pragma once
// Where the link sends the few messages the user must acknowledge ("COM port open failed").
// The GUI shows a message box; the command-line tool prints to stderr; tests record them.
#include <string_view>

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};

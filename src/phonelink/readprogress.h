#pragma once
// The reading-progress contract: a phone book read moves one bar per storage through the range
// 1..10 (1 after the storage was selected, 2 after its size was asked, 9 after the listing arrived,
// 10 when it is in the list). The dialog offers the two bars; tests record the calls.
class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
};

class IReadProgress {
public:
    virtual ~IReadProgress() = default;
    virtual IProgressSink* SimProgress() = 0;   // control 1006, "Reading from SIM card..."
    virtual IProgressSink* PhoneProgress() = 0; // control 1007, "Reading from phone memory..."
    // Asked between two listing commands: true ends the read there. The entries read so far
    // stay listed, the storage says which positions were not read, and a storage not begun is
    // marked not read.
    virtual bool StopRequested() { return false; }
};

#pragma once
// Service discovery. CVantrelApp and the device dialog derive from CBtIf and override
// OnServiceDiscoveryDone to signal an event.
//
// Threads and lifetime (the same rule holds for CSppClient and CObexClient):
//  - every accepted request (StartDiscovery returned nonzero) delivers exactly one
//    notification, on a stack thread owned by this object, never on the caller's thread;
//  - notifications of one object arrive one after another, in request order;
//  - once StopNotifications() has returned, no notification of this object runs or will run.
//    The base destructor calls it, but by then the derived part is already gone, so a derived
//    class whose overrides touch its own members must call StopNotifications() first thing in
//    its own destructor. Called from inside one of the object's own notifications, it cancels
//    what is queued and returns at once (the running notification is the caller).
//  - A notification must not block on the thread that destroys the object (for example by a
//    blocking hand-over to the GUI thread while the GUI thread runs the destructor).
#include <cstdint>
#include <memory>

#include "btstack/bttypes.h"
#include "btstack/sdprecord.h"

namespace btstack {
class NotifyQueue;
class Backend;
}

class CBtIf {
public:
    CBtIf();
    virtual ~CBtIf();
    CBtIf(const CBtIf&) = delete;
    CBtIf& operator=(const CBtIf&) = delete;

    // Starts a search of the device for services of the class; nonzero when it started, in
    // which case OnServiceDiscoveryDone follows once the search has ended (found or not).
    // 0 when no backend is available or classId is null.
    int StartDiscovery(const BdAddr& address, const GUID* classId);

    // Copies up to maxRecords records of the last finished search of this device and class
    // (searches are remembered stack-wide, as a real stack's SDP database) into records;
    // returns how many. 0 when nothing was found or no search has finished yet.
    int ReadDiscoveryRecords(const BdAddr& address, int maxRecords, CSdpDiscoveryRec* records,
                             const GUID* classId);

    // Device inquiry is not offered by this stack; these keep their library behaviour (nothing).
    virtual void OnDeviceResponded(const BdAddr& address, const DevClass& devClass, const char* name,
                                   bool connected);
    virtual void OnInquiryComplete(bool success, short responses);
    // The discovery-complete notification.
    virtual void OnServiceDiscoveryDone();

    void StopNotifications();

private:
    std::unique_ptr<btstack::NotifyQueue> m_queue;
};

#pragma once
// The accept loop both loopback servers of the emulated phone share (the AT phone on TCP and the
// OBEX receiver): accepts until a byte arrives on the wake descriptor, hands each connection on.
#include <cerrno>

#include <poll.h>
#include <sys/socket.h>

namespace phonesim {

template <typename OnClient>
void AcceptUntilWoken(int listenFd, int wakeFd, int acceptFlags, OnClient&& onClient) {
    for (;;) {
        pollfd p[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[1].revents & POLLIN)
            return;
        if (!(p[0].revents & POLLIN))
            continue;
        int client = accept4(listenFd, nullptr, nullptr, acceptFlags);
        if (client >= 0)
            onClient(client);
    }
}

} // namespace phonesim

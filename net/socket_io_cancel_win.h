#pragma once
// The means to end a platform call that is blocked on a connection when
// closing its handles does not: Wine's WinInet neither returns when the
// request is closed nor gives up a TLS handshake that the server leaves
// unanswered.

#include <cstdint>

// Whether the platform needs the cancel: only under Wine. On Windows
// closing the request ends a blocked call, and asking Winsock about a
// handle value that is not a socket can block behind another thread's
// synchronous I/O on it.
bool ClosingRequestLeavesReadsBlocked();

// Cancels the pending reads and writes of every socket of this process that
// is connected to `port`. Returns how many such sockets there were.
int CancelSocketIoToPort(uint16_t port);

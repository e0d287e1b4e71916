#pragma once

// Private to the TCP client: socket calls and the failures they raise.

#include <string>

#include "TcpClient.h"

namespace platform::tcp_detail {

// A socket error built from a system error number.
[[noreturn]] void ThrowSocketError(int error);
[[noreturn]] void ThrowNotConnected();
[[noreturn]] void ThrowConnectionClosed();
[[noreturn]] void ThrowReadTimeout();

// A connected, blocking stream socket to host:port, or an exception; never leaks a descriptor.
int ConnectSocket(const std::string& host, int port, int timeoutMs);

// Waits up to timeoutMs (restarted after signals) for the events; returns the poll result.
int PollFor(int fd, short events, int timeoutMs);

}  // namespace platform::tcp_detail

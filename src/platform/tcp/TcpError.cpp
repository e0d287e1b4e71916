#include <cerrno>
#include <cstring>
#include <utility>

#include "TcpSocket.h"

namespace platform {

TcpError::TcpError(TcpErrorKind kind, std::string kindName, const std::string& message)
    : std::runtime_error(message), kind_(kind), kindName_(std::move(kindName)) {}

TcpError::~TcpError() = default;

namespace tcp_detail {

void ThrowSocketError(int error) {
    // strerrordesc_np: the English text, thread-safe and untouched by the locale.
    const char* text = strerrordesc_np(error);
    throw TcpError(TcpErrorKind::Socket, "ESocketError",
                   "Socket Error # " + std::to_string(error) + " " +
                       (text != nullptr ? text : "Unknown error"));
}

void ThrowNotConnected() {
    throw TcpError(TcpErrorKind::Other, "ENotConnected", "Not Connected");
}

void ThrowConnectionClosed() {
    throw TcpError(TcpErrorKind::Other, "EConnClosed", "Connection Closed Gracefully.");
}

void ThrowReadTimeout() {
    throw TcpError(TcpErrorKind::ReadTimeout, "EReadTimeout", "Read timed out.");
}

}  // namespace tcp_detail
}  // namespace platform

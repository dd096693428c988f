#include "net/SocketErrors.h"

#include <cerrno>

int32_t StreamSocketErrorCode(int32_t error) {
  switch (error) {
    case EPERM:
    case EACCES:
      return kSocketInvalidPortError;
    case ENOENT:
    case ENETUNREACH:
    case ENOTCONN:
    case ETIMEDOUT:
    case ECONNREFUSED:
      return kSocketNameResolutionError;
    case ENOMEM:
    case ENFILE:
    case ENOBUFS:
      return kSocketOutOfMemoryError;
    case EPIPE:
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
      return kSocketLostConnection;
    case EADDRINUSE:
      return kSocketAddressInUseError;
    default:
      return error;
  }
}

int32_t DatagramSocketErrorCode(int32_t error) {
  switch (error) {
    case EADDRNOTAVAIL:
      return kSocketInvalidPortError;
    case ENOENT:
    case ENETRESET:
    case ECONNRESET:
      return error;
    default:
      return StreamSocketErrorCode(error);
  }
}

bool WouldBlock(int32_t error) {
  return error == EAGAIN || error == EALREADY || error == EINPROGRESS;
}

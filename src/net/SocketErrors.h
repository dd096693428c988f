// The socket error codes: what a socket's last error and the LastErrorCode property of the
// socket classes hold. Any other operating-system error number is kept as it is.
#pragma once

#include <cstdint>

enum SocketErrorCode : int32_t {
  kSocketNoError = 0,
  kSocketOpenDriverError = 100,       // the socket functions are not all there
  kSocketLostConnection = 102,        // closed, reset or broken, or Disconnect was called
  kSocketNameResolutionError = 103,   // unresolvable, refused, timed out or unreachable
  kSocketAddressInUseError = 105,     // the local address is taken
  kSocketInvalidStateError = 106,     // the socket cannot do that now (no path, not bound)
  kSocketInvalidPortError = 107,      // permission denied for the port, or no such port
  kSocketOutOfMemoryError = 108,      // no memory, no descriptor slots or no buffer space
};

// The code a stream socket keeps for an operating-system error number; 0 stays 0.
int32_t StreamSocketErrorCode(int32_t error);
// The code a datagram socket keeps: as the stream mapping, but EADDRNOTAVAIL is
// InvalidPortError, and ENOENT, ENETRESET and ECONNRESET stay as they are.
int32_t DatagramSocketErrorCode(int32_t error);
// True for an error number that means the call would have blocked.
bool WouldBlock(int32_t error);

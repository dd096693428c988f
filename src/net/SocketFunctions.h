// The socket function table: every call the network layer makes to the system's sockets, name
// resolver and interface list goes through it, filled once from the system library.
//
// The table is the network layer's one seam to the system: tests put failing or missing
// functions in it. The socket operations need the entries SocketsInitialize checks; without
// them every operation ends in OpenDriverError (100) and calls nothing. The entries it does not
// check (unlink, lstat, the interface list, getnameinfo) are tested by each caller.
#pragma once

#include <ifaddrs.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>

struct SocketFunctionTable {
  int (*socket)(int domain, int type, int protocol);
  int (*connect)(int fd, const sockaddr* address, socklen_t length);
  int (*bind)(int fd, const sockaddr* address, socklen_t length);
  int (*listen)(int fd, int backlog);
  int (*accept)(int fd, sockaddr* address, socklen_t* length);
  int (*getpeername)(int fd, sockaddr* address, socklen_t* length);
  int (*getsockname)(int fd, sockaddr* address, socklen_t* length);
  int (*getsockopt)(int fd, int level, int name, void* value, socklen_t* length);
  int (*setsockopt)(int fd, int level, int name, const void* value, socklen_t length);
  int (*close)(int fd);
  int (*fcntl)(int fd, int command, ...);
  ssize_t (*send)(int fd, const void* bytes, size_t n, int flags);
  ssize_t (*recv)(int fd, void* bytes, size_t n, int flags);
  ssize_t (*recvfrom)(int fd, void* bytes, size_t n, int flags, sockaddr* from,
                      socklen_t* length);
  ssize_t (*sendto)(int fd, const void* bytes, size_t n, int flags, const sockaddr* to,
                    socklen_t length);
  int (*ioctl)(int fd, unsigned long request, ...);
  int (*poll)(pollfd* fds, nfds_t count, int timeoutMs);
  int (*getaddrinfo)(const char* node, const char* service, const addrinfo* hints,
                     addrinfo** result);
  void (*freeaddrinfo)(addrinfo* list);
  // Not needed by every operation: each caller checks these.
  int (*unlink)(const char* path);
  int (*lstat)(const char* path, struct stat* info);
  int (*getifaddrs)(ifaddrs** list);
  void (*freeifaddrs)(ifaddrs* list);
  int (*getnameinfo)(const sockaddr* address, socklen_t length, char* host, socklen_t hostLength,
                     char* service, socklen_t serviceLength, int flags);
};

// The table, filled on first use.
const SocketFunctionTable& SocketFunctions();
// True when every entry that the socket operations need is there.
bool SocketFunctionsComplete();

// Tests only: the table to change, and its refill from the system library.
SocketFunctionTable& SocketFunctionsForTesting();
void RestoreSocketFunctions();

// True once SocketsInitialize has run.
bool SocketsInitialized();

extern "C" {
// 0 when the table is complete, else OpenDriverError (100). Fills the table on the first call.
int32_t SocketsInitialize();
}

// Socket addresses: the peer or local address a socket connects to or binds, built from text
// and a port or from a local path, and the dotted text of an IPv4 address.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdint>

#include "strings/RuntimeString.h"

struct SocketAddress {
  union {
    sockaddr any;
    sockaddr_in internet;
    sockaddr_un local;
  };
  socklen_t length = 0;

  int32_t Family() const { return any.sa_family; }
};

// The IPv4 address of numeric text ("a.b.c.d"), in network order; false for anything else.
bool ParseIPv4(const char* text, in_addr* address);
// The IPv4 address of a host name or numeric text. Numeric text never reaches the resolver;
// a name is resolved through the socket function table. 0, or NameResolutionError (103).
int32_t ResolveIPv4(const string& host, in_addr* address);
// An IPv4 address and port; InvalidPortError (107) for a port outside 0 .. 65535.
int32_t InternetAddress(in_addr host, int32_t port, SocketAddress* out);
// A Unix-domain address of path: InvalidStateError (106) for no path, ENAMETOOLONG (36) for a
// path longer than the address holds (107 bytes), EINVAL for a path with a NUL inside.
int32_t LocalPathAddress(const string& path, SocketAddress* out);

// The local port of an IPv4 socket, in host order; -1 without a descriptor or a name.
int32_t LocalPortOf(int32_t descriptor);

// Four decimal numbers joined by ".", most significant first, of an address in network order.
string DottedText(uint32_t networkOrderAddress);

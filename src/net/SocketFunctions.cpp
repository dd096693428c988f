#include "net/SocketFunctions.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "core/Export.h"
#include "net/SocketErrors.h"

namespace {

SocketFunctionTable SystemFunctions() {
  return {
      .socket = ::socket,
      .connect = ::connect,
      .bind = ::bind,
      .listen = ::listen,
      .accept = ::accept,
      .getpeername = ::getpeername,
      .getsockname = ::getsockname,
      .getsockopt = ::getsockopt,
      .setsockopt = ::setsockopt,
      .close = ::close,
      .fcntl = ::fcntl,
      .send = ::send,
      .recv = ::recv,
      .recvfrom = ::recvfrom,
      .sendto = ::sendto,
      .ioctl = ::ioctl,
      .poll = ::poll,
      .getaddrinfo = ::getaddrinfo,
      .freeaddrinfo = ::freeaddrinfo,
      .unlink = ::unlink,
      .lstat = ::lstat,
      .getifaddrs = ::getifaddrs,
      .freeifaddrs = ::freeifaddrs,
      .getnameinfo = ::getnameinfo,
  };
}

SocketFunctionTable& Table() {
  static SocketFunctionTable table = SystemFunctions();
  return table;
}

bool gLoaded = false;

}  // namespace

const SocketFunctionTable& SocketFunctions() { return Table(); }

bool SocketFunctionsComplete() {
  const SocketFunctionTable& t = Table();
  return t.socket && t.connect && t.bind && t.listen && t.accept && t.getpeername &&
         t.getsockname && t.getsockopt && t.setsockopt && t.close && t.fcntl && t.send &&
         t.recv && t.recvfrom && t.sendto && t.ioctl && t.poll && t.getaddrinfo && t.freeaddrinfo;
}

SocketFunctionTable& SocketFunctionsForTesting() { return Table(); }
void RestoreSocketFunctions() { Table() = SystemFunctions(); }

bool SocketsInitialized() { return gLoaded; }

extern "C" int32_t SocketsInitialize() {
  gLoaded = true;
  return SocketFunctionsComplete() ? kSocketNoError : kSocketOpenDriverError;
}
QV_EXPORT(SocketsInitialize)

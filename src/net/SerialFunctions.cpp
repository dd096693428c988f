#include "net/SerialFunctions.h"

#include <fcntl.h>
#include <unistd.h>

#include "net/SocketFunctions.h"

namespace {

SerialFunctionTable SystemFunctions() {
  return {
      .open = ::open,
      .write = ::write,
      .read = ::read,
      .tcgetattr = ::tcgetattr,
      .tcsetattr = ::tcsetattr,
      .cfgetispeed = ::cfgetispeed,
      .cfgetospeed = ::cfgetospeed,
      .cfsetispeed = ::cfsetispeed,
      .cfsetospeed = ::cfsetospeed,
  };
}

SerialFunctionTable& Table() {
  static SerialFunctionTable table = SystemFunctions();
  return table;
}

}  // namespace

const SerialFunctionTable& SerialFunctions() { return Table(); }

bool SerialFunctionsComplete() {
  const SerialFunctionTable& t = Table();
  const SocketFunctionTable& s = SocketFunctions();
  return t.open && t.write && t.read && t.tcgetattr && t.tcsetattr && t.cfgetispeed &&
         t.cfgetospeed && t.cfsetispeed && t.cfsetospeed && s.close && s.fcntl && s.ioctl &&
         s.poll;
}

SerialFunctionTable& SerialFunctionsForTesting() { return Table(); }
void RestoreSerialFunctions() { Table() = SystemFunctions(); }

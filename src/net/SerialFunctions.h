// The terminal function table: every call the serial-port layer makes to open, read, write
// and configure a device goes through it, filled once from the system library. Closing, mode
// changes and the device requests (modem lines, break, exclusive use, queue sizes) and waiting
// go through the socket function table's close, fcntl, ioctl and poll.
//
// It is the serial layer's seam to the system: tests put stand-ins in it (a device with a
// line register, missing functions). Without every entry, every serial operation does
// nothing and answers false.
#pragma once

#include <sys/types.h>
#include <termios.h>

struct SerialFunctionTable {
  int (*open)(const char* path, int flags, ...);
  ssize_t (*write)(int fd, const void* bytes, size_t n);
  ssize_t (*read)(int fd, void* bytes, size_t n);
  int (*tcgetattr)(int fd, termios* settings);
  int (*tcsetattr)(int fd, int when, const termios* settings);
  speed_t (*cfgetispeed)(const termios* settings);
  speed_t (*cfgetospeed)(const termios* settings);
  int (*cfsetispeed)(termios* settings, speed_t speed);
  int (*cfsetospeed)(termios* settings, speed_t speed);
};

const SerialFunctionTable& SerialFunctions();
// True when this table and the socket table's close, fcntl, ioctl and poll are all there.
bool SerialFunctionsComplete();

// Tests only: the table to change, and its refill from the system library.
SerialFunctionTable& SerialFunctionsForTesting();
void RestoreSerialFunctions();

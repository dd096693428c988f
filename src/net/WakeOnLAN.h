// Wake-on-LAN: the magic packet (six 0xFF bytes, then the hardware address sixteen times)
// sent in a UDP datagram to port 9 of a numeric address, typically a broadcast address.
#pragma once

#include <cstdint>
#include <string>

#include "strings/RuntimeString.h"

// The six bytes of a hardware address written as twelve hexadecimal digits, or as six parts
// of one or two digits separated by ":", "-" or "."; false for anything else.
bool ParseHardwareAddress(const string& text, uint8_t bytes[6]);
// The 102-byte packet for the address.
std::string MagicPacket(const uint8_t bytes[6]);
// Sends the packet for hardwareAddress to address, port 9, waiting a second at most for the
// socket to take it. Nothing is sent for a hardware address that is not six bytes or an
// address that is not numeric; no failure is reported. False when nothing was sent.
bool SendWakeOnLAN(const string& address, const string& hardwareAddress);

extern "C" void NetworkSendWakeOnLAN(stringStorage* address, stringStorage* hardwareAddress);

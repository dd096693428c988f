// Forward and reverse name lookup through the resolver of the socket function table.
#pragma once

#include "strings/RuntimeString.h"

// The address text of a host name: an IPv4 address when the name has one (it wins over
// IPv6 addresses listed before it), else an IPv6 address; the name itself when the resolver
// answers with neither, and empty when it fails. Numeric text is answered as it is.
string NameToAddress(const string& name);
// The host name of numeric address text (IPv4 or IPv6) by reverse lookup; the text itself
// when the address has no name or the text is no address.
string AddressToName(const string& address);
// Whether the host answers: this platform has no such test, so never.
bool IsHostReachable(const string& host);

extern "C" {
stringStorage* NetworkNameToAddress(stringStorage* name);
stringStorage* NetworkAddressToName(stringStorage* address);
}

// The relay's address taken apart, for the desktop backends, which open the TCP connection
// themselves: "ws://HOST:PORT/PATH". Only plain ws:// (the relay speaks no TLS); HOST is a
// name, a dotted IPv4 address or a bracketed IPv6 one; PORT defaults to 80; PATH to "/".
#pragma once
#include <stdint.h>

struct NetworkAddress {
  char host[256];  // without an IPv6 address's brackets
  char hostHeader[264];  // as the handshake's Host field wants it: brackets kept, ":PORT"
  uint16_t port;
  char path[1024];  // begins with '/'
};

// False for anything else, leaving *address unspecified. Reads at most a little past the
// longest address it accepts, so an unterminated or endless string is never run through.
bool parseNetworkAddress(const char* url, NetworkAddress* address);

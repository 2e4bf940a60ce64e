// Taking the relay's address apart (see network_address.h).
#include "platform/shared/network_address.h"

#include <stdio.h>
#include <string.h>

namespace {

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

bool isIpv6Char(char c) {
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' ||
         c == '.';
}

}  // namespace

bool parseNetworkAddress(const char* url, NetworkAddress* address) {
  if (!url || !address) return false;
  // Longer than anything the fields below can hold: refused before it is measured further.
  const size_t longest = 5 + 2 + sizeof address->host + 6 + sizeof address->path;
  size_t length = 0;
  while (length <= longest && url[length]) length++;
  if (length > longest) return false;
  if (strncmp(url, "ws://", 5) != 0) return false;
  const char* at = url + 5;
  const char* end = url + length;

  // The host, bracketed when it is an IPv6 address (its colons would read as the port's).
  const char* hostStart = at;
  const char* hostEnd;
  bool bracketed = *at == '[';
  if (bracketed) {
    hostStart = ++at;
    while (at < end && isIpv6Char(*at)) at++;
    if (at == end || *at != ']') return false;
    hostEnd = at++;
  } else {
    while (at < end && isNameChar(*at)) at++;
    hostEnd = at;
  }
  size_t hostLength = static_cast<size_t>(hostEnd - hostStart);
  if (hostLength == 0 || hostLength >= sizeof address->host) return false;

  unsigned long port = 80;
  if (at < end && *at == ':') {
    at++;
    port = 0;
    int digits = 0;
    while (at < end && *at >= '0' && *at <= '9' && digits < 6) {
      port = port * 10 + static_cast<unsigned long>(*at - '0');
      at++;
      digits++;
    }
    if (digits == 0 || port == 0 || port > 65535) return false;
  }

  // The path: what is left, printable and without spaces (it goes into the request line).
  if (at < end && *at != '/') return false;
  size_t pathLength = static_cast<size_t>(end - at);
  if (pathLength >= sizeof address->path) return false;
  for (const char* c = at; c < end; c++)
    if (*c <= ' ' || *c > '~') return false;

  memcpy(address->host, hostStart, hostLength);
  address->host[hostLength] = 0;
  address->port = static_cast<uint16_t>(port);
  if (pathLength == 0) {
    strcpy(address->path, "/");
  } else {
    memcpy(address->path, at, pathLength);
    address->path[pathLength] = 0;
  }
  snprintf(address->hostHeader, sizeof address->hostHeader, bracketed ? "[%s]:%u" : "%s:%u",
           address->host, static_cast<unsigned>(port));
  return true;
}

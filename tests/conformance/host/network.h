// The host's own network errands around the component's traffic. The component talks to the
// service's public name over https through the system's default proxy; in the tests that proxy
// is the CONNECT tunnel fixture, which forwards to the stand-in service on loopback, and the
// stand-in's certificate comes from a test authority that the host trusts for the run.
#pragma once

#include "runtime.h"

namespace host {

// Puts the authority (a DER certificate file) into the current user's root store of this Wine
// prefix, first removing any left by an earlier run; distrust_test_authority removes it again.
bool trust_test_authority(const Text& der_path, Text& error);
void distrust_test_authority();

// The tunnel fixture at "http://127.0.0.1:PORT", reached directly.
class Tunnel {
 public:
  explicit Tunnel(const Text& url);

  bool valid() const { return port_ != 0; }
  const Text& address() const { return address_; }
  // Tells the tunnel what to do with the CONNECTs that come next: "forward" them to the
  // service, "hold" them on a dripping handshake until "release", or "refuse" them. "held"
  // waits until one is held. The reply's status is 200 when the tunnel did it.
  bool command(const char* verb, const char* path, Text& reply) const;
  // GET <base_url><path> (https) through the tunnel, as the component's requests go.
  bool fetch_from_service(const Text& base_url, const char* path, Text& body, Text& error);

 private:
  Text address_;  // 127.0.0.1:PORT
  WORD port_ = 0;
};

// WinHTTP's default proxy in this process, as "host:port", or empty.
Text default_proxy();

}  // namespace host

// The request signature the service demands of signed methods, computed here on its own so
// that it checks the component's signing rather than repeating it.
//
// The signature is the MD5 digest, in lower-case hex, of every parameter except "format",
// "callback" and "api_sig" (exact names), taken in ascending byte order of their names, each
// name directly followed by its value, and the shared secret after the last. Pure functions;
// any thread.
#pragma once

#include <string>
#include <string_view>

#include "service/form.h"

namespace brivanto_service {

// The bytes the digest covers.
std::string signature_base(const Params& params, std::string_view secret);

// MD5 of `bytes` as 32 lower-case hexadecimal characters; empty if the digest fails.
std::string md5_hex(std::string_view bytes);

// md5_hex of signature_base.
std::string expected_signature(const Params& params, std::string_view secret);

// True when "api_sig" is present and equals expected_signature exactly (so an upper-case
// digest is refused: clients write digests in lower case).
bool signature_matches(const Params& params, std::string_view secret);

}  // namespace brivanto_service

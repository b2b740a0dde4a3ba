// What the stand-in hosts do when a component calls a slot they do not offer: a component of
// this repository never should, so such a call means a slot went astray. The process ends
// loudly rather than answering something made up.
#pragma once

namespace fbplayer {

// Prints "fbplayer: the component called <slot>, which this host does not offer" to standard
// error and ends the process.
[[noreturn]] void not_offered(const char* slot);

}  // namespace fbplayer

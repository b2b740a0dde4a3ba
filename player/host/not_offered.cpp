#include "player/host/not_offered.h"

#include <cstdio>
#include <cstdlib>

namespace fbplayer {

void not_offered(const char* slot) {
  std::fprintf(stderr, "fbplayer: the component called %s, which this host does not offer\n", slot);
  std::fflush(stderr);
  std::abort();
}

}  // namespace fbplayer

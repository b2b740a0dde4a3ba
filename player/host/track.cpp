#include "player/host/track.h"

namespace fbplayer {

bool Track::get_info(file_info& out) const {
  if (!has_info_) {
    return false;
  }
  info_.copy_to(out);
  return true;
}

}  // namespace fbplayer

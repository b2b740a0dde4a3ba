#include "player/audio_tags.h"

namespace fbplayer {

// The player without TagLib: the Windows build (TagLib is not among the cross-compilers'
// packages) and a Linux build configured without it.
bool read_audio_file(const std::string& path, file_info_impl& /*info*/, double& /*length*/,
                     std::string& error) {
  error = "cannot read " + path +
          ": this build of the player cannot read audio files (it has no "
          "TagLib); describe tracks with \"add\" instead";
  return false;
}

}  // namespace fbplayer

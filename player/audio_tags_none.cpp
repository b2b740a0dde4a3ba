#include "player/audio_tags.h"

namespace fbplayer {

// TagLib is a Linux package here; the Windows build of the player has no tag reader.
bool read_audio_file(const std::string& path, file_info_impl& /*info*/, double& /*length*/,
                     std::string& error) {
  error = "cannot read " + path +
          ": this build of the player cannot read audio files (it has no "
          "TagLib); describe tracks with \"add\" instead";
  return false;
}

}  // namespace fbplayer

// Reading tags and length from audio files, for the player's "load" command.
#pragma once

#include <string>

#include "player/host/file_info_impl.h"

namespace fbplayer {

// Fills `info` with the file's tags (every value of artist, title, album and the other common
// fields) and `length` with its length in seconds. False with a message in `error` when the
// file cannot be read.
bool read_audio_file(const std::string& path, file_info_impl& info, double& length,
                     std::string& error);

}  // namespace fbplayer

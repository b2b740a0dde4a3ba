#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include "player/audio_tags.h"

namespace fbplayer {

bool read_audio_file(const std::string& path, file_info_impl& info, double& length,
                     std::string& error) {
  const TagLib::FileRef file(path.c_str());
  if (file.isNull()) {
    error = "cannot read audio file " + path;
    return false;
  }
  info = file_info_impl();
  if (file.tag() != nullptr) {
    const TagLib::PropertyMap properties = file.tag()->properties();
    for (const auto& [name, values] : properties) {
      std::string field = name.to8Bit(true);
      for (char& c : field) {
        if (c >= 'A' && c <= 'Z') {
          c = static_cast<char>(c - 'A' + 'a');
        }
      }
      for (const TagLib::String& value : values) {
        info.meta_add(field.c_str(), value.to8Bit(true).c_str());
      }
    }
  }
  length = file.audioProperties() != nullptr
               ? file.audioProperties()->lengthInMilliseconds() / 1000.0
               : 0.0;
  return true;
}

}  // namespace fbplayer

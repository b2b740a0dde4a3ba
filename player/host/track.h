// A track of the stand-in player: its tags, technical information and length, handed to the
// component as a metadb_handle. Changed (by tag edits) and read on the main thread only.
#pragma once

#include "sdk/file_info.h"
#include "sdk/metadb_handle.h"

namespace fbplayer {

class Track : public metadb_handle {
 public:
  // `length` in seconds, 0 or less for unknown. Without `has_info` the track behaves like a
  // file the player cannot read tags from.
  Track(const file_info_impl& info, double length, bool has_info = true)
      : info_(info), length_(length), has_info_(has_info) {}

  bool get_info(file_info& out) const override;
  double get_length() const override { return length_; }

  file_info_impl& info() { return info_; }
  void set_length(double length) { length_ = length; }

 protected:
  ~Track() = default;

 private:
  file_info_impl info_;
  double length_;
  bool has_info_;
};

}  // namespace fbplayer

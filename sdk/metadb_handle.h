// metadb_handle: the host's handle to one track of its media library.
#pragma once

#include "sdk/file_info.h"
#include "sdk/service.h"

class metadb_handle : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x9f62bdeb, 0x3d32, 0x416e, {0xa3, 0x6e, 0x56, 0xb4, 0xc1, 0x8f, 0xfa, 0x3d}};
  using service_parent = service_base;

  // Copies the track's metadata and technical information into `out`. Returns false, leaving
  // `out` unspecified, when the host has no information on the track.
  virtual bool get_info(file_info& out) const = 0;
  // The track's length in seconds; 0 when the host does not know it.
  virtual double get_length() const = 0;

 protected:
  ~metadb_handle() = default;
};

using metadb_handle_ptr = service_ptr_t<metadb_handle>;

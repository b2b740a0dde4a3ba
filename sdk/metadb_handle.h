// metadb_handle: the player's handle to one track of its media library, and the container of
// the track's information that it hands out.
//
// The player's interfaces in its slot order. The component reads a track's information through
// get_info_ref; the other slots are declared for their places (the hosts implement them).
#pragma once

#include <cstdint>

#include "sdk/file_info.h"
#include "sdk/service.h"
#include "sdk/string_base.h"

// Opaque to the component: the track's location, and the title-formatting machinery.
class playable_location;
class titleformat_hook;
class titleformat_text_filter;
class titleformat_object;

// A file's size and modification time; returned by value, so its slot takes a result pointer.
struct t_filestats {
  std::uint64_t size;
  std::uint64_t timestamp;
};

// The information of one track at one moment: it does not change once handed out.
class metadb_info_container : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xd1fdcc01, 0x1e84, 0x48e6, {0xbf, 0x5f, 0x37, 0x74, 0xd1, 0xcd, 0xc0, 0x0e}};
  using service_parent = service_base;

  virtual const file_info& info() = 0;
  virtual const t_filestats& stats() = 0;
  virtual bool isInfoPartial() = 0;  // NOLINT(readability-identifier-naming): the player's name

 protected:
  ~metadb_info_container() = default;
};

using metadb_info_container_ptr = service_ptr_t<metadb_info_container>;

class metadb_handle : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x160885c6, 0x3aa3, 0x4f60, {0x87, 0x18, 0x12, 0x40, 0x61, 0x5e, 0x64, 0x14}};
  using service_parent = service_base;

  virtual const playable_location& get_location() const = 0;
  virtual bool format_title(titleformat_hook* hook, pfc::string_base& out,
                            const service_ptr_t<titleformat_object>& script,
                            titleformat_text_filter* filter) = 0;
  virtual void metadb_lock() = 0;
  virtual void metadb_unlock() = 0;
  virtual t_filestats* get_filestats(t_filestats* result) const = 0;
  virtual bool is_info_loaded() const = 0;
  virtual bool get_info(file_info& info) const = 0;
  virtual bool get_info_locked(const file_info*& info) const = 0;
  virtual bool is_info_loaded_async() const = 0;
  virtual bool get_info_async(file_info& info) const = 0;
  virtual bool get_info_async_locked(const file_info*& info) const = 0;
  virtual void format_title_from_external_info(const file_info& info, titleformat_hook* hook,
                                               pfc::string_base& out,
                                               const service_ptr_t<titleformat_object>& script,
                                               titleformat_text_filter* filter) = 0;
  virtual bool format_title_nonlocking(titleformat_hook* hook, pfc::string_base& out,
                                       const service_ptr_t<titleformat_object>& script,
                                       titleformat_text_filter* filter) = 0;
  virtual void format_title_from_external_info_nonlocking(
      const file_info& info, titleformat_hook* hook, pfc::string_base& out,
      const service_ptr_t<titleformat_object>& script, titleformat_text_filter* filter) = 0;
  virtual bool get_browse_info(file_info& info, std::uint64_t& timestamp) const = 0;
  virtual bool get_browse_info_locked(const file_info*& info, std::uint64_t& timestamp) const = 0;
  // The player declares two overloads each of get_info_ref and get_async_info_ref; its
  // compiler puts the one returning the container by value (declared later) first.
  virtual metadb_info_container** get_info_ref_by_value(metadb_info_container** result) const = 0;
  // Stores the track's information in `out`; false, leaving `out` alone, when the player has
  // none.
  virtual bool get_info_ref(metadb_info_container_ptr& out) const = 0;
  virtual metadb_info_container** get_async_info_ref_by_value(
      metadb_info_container** result) const = 0;
  virtual bool get_async_info_ref(metadb_info_container_ptr& out) const = 0;
  virtual void get_browse_info_ref(metadb_info_container_ptr& out,
                                   metadb_info_container_ptr& out_browse) const = 0;

 protected:
  ~metadb_handle() = default;
};

using metadb_handle_ptr = service_ptr_t<metadb_handle>;

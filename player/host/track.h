// A track of the stand-in player, handed to the component as a metadb_handle: its information
// (tags, technical information and length) is given out as a container that never changes; a
// tag edit puts a new one in its place. Changed and read on the main thread only.
#pragma once

#include <atomic>

#include "player/host/file_info_impl.h"
#include "sdk/metadb_handle.h"

namespace fbplayer {

// One moment's information of a track.
class InfoContainer : public metadb_info_container {
 public:
  explicit InfoContainer(const file_info_impl& info) : info_(info) {}

  const file_info& info() override { return info_; }
  const t_filestats& stats() override { return stats_; }
  bool isInfoPartial() override { return false; }

 protected:
  ~InfoContainer() = default;

 private:
  const file_info_impl info_;
  const t_filestats stats_{~std::uint64_t{0}, ~std::uint64_t{0}};  // size and time unknown
};

class Track : public metadb_handle {
 public:
  // Without `has_info` the track behaves like a file the player cannot read: it has no
  // information to give.
  explicit Track(const file_info_impl& info, bool has_info = true);

  // Tracks that exist: every reference a component was handed must have been given back once
  // the player lets go of a track.
  static int live_count() { return live_; }

  const file_info_impl& info() const { return info_; }
  void set_info(const file_info_impl& info);

  const playable_location& get_location() const override;
  bool format_title(titleformat_hook* hook, pfc::string_base& out,
                    const service_ptr_t<titleformat_object>& script,
                    titleformat_text_filter* filter) override;
  void metadb_lock() override {}
  void metadb_unlock() override {}
  t_filestats* get_filestats(t_filestats* result) const override;
  bool is_info_loaded() const override { return has_info_; }
  bool get_info(file_info& info) const override;
  bool get_info_locked(const file_info*& info) const override;
  bool is_info_loaded_async() const override { return has_info_; }
  bool get_info_async(file_info& info) const override { return get_info(info); }
  bool get_info_async_locked(const file_info*& info) const override {
    return get_info_locked(info);
  }
  void format_title_from_external_info(const file_info& info, titleformat_hook* hook,
                                       pfc::string_base& out,
                                       const service_ptr_t<titleformat_object>& script,
                                       titleformat_text_filter* filter) override;
  bool format_title_nonlocking(titleformat_hook* hook, pfc::string_base& out,
                               const service_ptr_t<titleformat_object>& script,
                               titleformat_text_filter* filter) override;
  void format_title_from_external_info_nonlocking(const file_info& info, titleformat_hook* hook,
                                                  pfc::string_base& out,
                                                  const service_ptr_t<titleformat_object>& script,
                                                  titleformat_text_filter* filter) override;
  bool get_browse_info(file_info& info, std::uint64_t& timestamp) const override;
  bool get_browse_info_locked(const file_info*& info, std::uint64_t& timestamp) const override;
  metadb_info_container** get_info_ref_by_value(metadb_info_container** result) const override;
  bool get_info_ref(metadb_info_container_ptr& out) const override;
  metadb_info_container** get_async_info_ref_by_value(
      metadb_info_container** result) const override;
  bool get_async_info_ref(metadb_info_container_ptr& out) const override {
    return get_info_ref(out);
  }
  void get_browse_info_ref(metadb_info_container_ptr& out,
                           metadb_info_container_ptr& out_browse) const override;

 protected:
  ~Track() { --live_; }

 private:
  static inline std::atomic<int> live_{0};

  file_info_impl info_;
  bool has_info_;
  metadb_info_container_ptr container_;  // null without information
};

}  // namespace fbplayer

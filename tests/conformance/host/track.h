// A track as the player hands it to a play callback: a metadb_handle whose information is
// reached through get_info_ref, a metadb_info_container holding it, and the file_info itself.
//
// The file_info implements all 26 slots. The host fills it through those slots; once it is
// handed out it is sealed, since the player gives it as const: a call of a slot that changes
// it means the component called another slot than it meant, and ends the run.
#pragma once

#include "host_objects.h"

namespace host {

class HostFileInfo final : public player::file_info {
 public:
  HostFileInfo() = default;
  HostFileInfo(const HostFileInfo&) = delete;
  HostFileInfo& operator=(const HostFileInfo&) = delete;
  ~HostFileInfo() = default;

  // The host's own filling, before the info is handed out.
  void add_meta(const char* name, const char* value);
  void add_info(const char* name, const char* value);
  void seal() { sealed_ = true; }
  // How often the component read through each slot.
  size_t reads() const { return reads_; }

  double get_length() const override;
  void set_length(double length) override;
  void set_replaygain(const player::replaygain_info& info) override;
  player::replaygain_info get_replaygain() const override;
  size_t meta_get_count() const override;
  const char* meta_enum_name(size_t index) const override;
  size_t meta_enum_value_count(size_t index) const override;
  const char* meta_enum_value(size_t index, size_t value) const override;
  size_t meta_find_ex(const char* name, size_t name_size) const override;
  size_t meta_set_ex(const char* name, size_t name_size, const char* value,
                     size_t value_size) override;
  void meta_insert_value_ex(size_t index, size_t value_index, const char* value,
                            size_t value_size) override;
  void meta_remove_mask(const player::bit_array& mask) override;
  void meta_reorder(const size_t* order) override;
  void meta_remove_values(size_t index, const player::bit_array& mask) override;
  void meta_modify_value_ex(size_t index, size_t value_index, const char* value,
                            size_t value_size) override;
  size_t info_get_count() const override;
  const char* info_enum_name(size_t index) const override;
  const char* info_enum_value(size_t index) const override;
  size_t info_set_ex(const char* name, size_t name_size, const char* value,
                     size_t value_size) override;
  void info_remove_mask(const player::bit_array& mask) override;
  size_t info_find_ex(const char* name, size_t name_size) const override;
  void copy(const player::file_info& source) override;
  void copy_meta(const player::file_info& source) override;
  void copy_info(const player::file_info& source) override;

 protected:
  size_t meta_set_nocheck_ex(const char* name, size_t name_size, const char* value,
                             size_t value_size) override;
  size_t info_set_nocheck_ex(const char* name, size_t name_size, const char* value,
                             size_t value_size) override;

 private:
  static constexpr size_t kMaxValues = 4;  // plenty for the tracks the host plays
  struct Meta {  // NOLINT(bugprone-reserved-identifier): clang's own names in its copy
    Text name;
    Text values[kMaxValues];
    size_t count = 0;
  };
  struct Info {
    Text name;
    Text value;
  };
  // A slot that changes the info, called after it was handed out.
  void changing(int slot, const char* name) const;
  void counted_read() const { ++reads_; }
  static size_t find(const List<Meta>& metas, const char* name, size_t size);
  static size_t find(const List<Info>& infos, const char* name, size_t size);

  double length_ = 0;
  player::replaygain_info replaygain_{-1000, -1000, -1, -1};
  List<Meta> metas_;
  List<Info> infos_;
  bool sealed_ = false;
  mutable size_t reads_ = 0;
};

class HostInfoContainer final : public Counted<player::metadb_info_container> {
 public:
  explicit HostInfoContainer(const char* name) : Counted(name) {}
  const player::file_info& info() override;
  const player::filestats& stats() override;
  bool isInfoPartial() override;

  HostFileInfo& file() { return info_; }
  size_t info_calls() const { return info_calls_; }

 private:
  HostFileInfo info_;
  size_t info_calls_ = 0;
};

class HostTrack final : public Counted<player::metadb_handle> {
 public:
  HostTrack(const char* name, const char* info_name) : Counted(name), container_(info_name) {}

  HostFileInfo& file() { return container_.file(); }
  HostInfoContainer& container() { return container_; }
  size_t info_ref_calls() const { return info_ref_calls_; }

  const player::playable_location& get_location() const override;
  bool format_title(player::titleformat_hook* hook, player::string_base& out,
                    const titleformat& script, player::titleformat_text_filter* filter) override;
  void metadb_lock() override;
  void metadb_unlock() override;
  player::filestats get_filestats() const override;
  bool is_info_loaded() const override;
  bool get_info(player::file_info& info) const override;
  bool get_info_locked(const player::file_info*& info) const override;
  bool is_info_loaded_async() const override;
  bool get_info_async(player::file_info& info) const override;
  bool get_info_async_locked(const player::file_info*& info) const override;
  void format_title_from_external_info(const player::file_info& info,
                                       player::titleformat_hook* hook, player::string_base& out,
                                       const titleformat& script,
                                       player::titleformat_text_filter* filter) override;
  bool format_title_nonlocking(player::titleformat_hook* hook, player::string_base& out,
                               const titleformat& script,
                               player::titleformat_text_filter* filter) override;
  void format_title_from_external_info_nonlocking(const player::file_info& info,
                                                  player::titleformat_hook* hook,
                                                  player::string_base& out,
                                                  const titleformat& script,
                                                  player::titleformat_text_filter* filter) override;
  bool get_browse_info(player::file_info& info, uint64_t& timestamp) const override;
  bool get_browse_info_locked(const player::file_info*& info, uint64_t& timestamp) const override;
  bool get_info_ref(player::metadb_info_container::ptr& out) const override;
  bool get_async_info_ref(player::metadb_info_container::ptr& out) const override;
  void get_browse_info_ref(player::metadb_info_container::ptr& info,
                           player::metadb_info_container::ptr& browse) const override;
  player::metadb_info_container::ptr get_info_ref() const override;
  player::metadb_info_container::ptr get_async_info_ref() const override;

 private:
  // Handed out from const slots: the handle is const to its callers, not to its container.
  mutable HostInfoContainer container_;
  mutable size_t info_ref_calls_ = 0;
};

}  // namespace host

#include "track.h"

namespace host {
namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Field names compare without regard to ASCII case, as the player's do.
bool same_name(const Text& name, const Text& other) {
  if (name.size() != other.size()) {
    return false;
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (lower(name[i]) != lower(other[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

void HostFileInfo::changing(int slot, const char* name) const {
  if (sealed_) {
    fatal(Text("the component changed a track's file_info through slot ")
          << slot << " (" << name
          << "), although the player hands it out as const: its vtable of file_info is laid "
             "out otherwise than the player's");
  }
}

size_t HostFileInfo::find(const List<Meta>& metas, const char* name, size_t size) {
  const Text wanted = bounded_text(name, size);
  for (size_t i = 0; i < metas.size(); ++i) {
    if (same_name(metas[i].name, wanted)) {
      return i;
    }
  }
  return SIZE_MAX;
}

size_t HostFileInfo::find(const List<Info>& infos, const char* name, size_t size) {
  const Text wanted = bounded_text(name, size);
  for (size_t i = 0; i < infos.size(); ++i) {
    if (same_name(infos[i].name, wanted)) {
      return i;
    }
  }
  return SIZE_MAX;
}

void HostFileInfo::add_meta(const char* name, const char* value) {
  const size_t index = meta_find_ex(name, SIZE_MAX);
  if (index == SIZE_MAX) {
    meta_set_ex(name, SIZE_MAX, value, SIZE_MAX);
  } else {
    meta_insert_value_ex(index, metas_[index].count, value, SIZE_MAX);
  }
}

void HostFileInfo::add_info(const char* name, const char* value) {
  info_set_ex(name, SIZE_MAX, value, SIZE_MAX);
}

double HostFileInfo::get_length() const {
  counted_read();
  return length_;
}

void HostFileInfo::set_length(double length) {
  changing(1, "set_length");
  length_ = length;
}

void HostFileInfo::set_replaygain(const player::replaygain_info& info) {
  changing(2, "set_replaygain");
  replaygain_ = info;
}

player::replaygain_info HostFileInfo::get_replaygain() const {
  counted_read();
  return replaygain_;
}

size_t HostFileInfo::meta_get_count() const {
  counted_read();
  return metas_.size();
}

const char* HostFileInfo::meta_enum_name(size_t index) const {
  counted_read();
  if (!check(index < metas_.size(), "file_info::meta_enum_name past the last field")) {
    return "";
  }
  return metas_[index].name.c_str();
}

size_t HostFileInfo::meta_enum_value_count(size_t index) const {
  counted_read();
  if (!check(index < metas_.size(), "file_info::meta_enum_value_count past the last field")) {
    return 0;
  }
  return metas_[index].count;
}

const char* HostFileInfo::meta_enum_value(size_t index, size_t value) const {
  counted_read();
  if (!check(index < metas_.size() && value < metas_[index].count,
             "file_info::meta_enum_value past the last field or value")) {
    return "";
  }
  return metas_[index].values[value].c_str();
}

size_t HostFileInfo::meta_find_ex(const char* name, size_t name_size) const {
  counted_read();
  return find(metas_, name, name_size);
}

size_t HostFileInfo::meta_set_ex(const char* name, size_t name_size, const char* value,
                                 size_t value_size) {
  changing(9, "meta_set_ex");
  return meta_set_nocheck_ex(name, name_size, value, value_size);
}

void HostFileInfo::meta_insert_value_ex(size_t index, size_t value_index, const char* value,
                                        size_t value_size) {
  changing(10, "meta_insert_value_ex");
  Meta& meta = metas_[index];
  if (meta.count == kMaxValues || value_index > meta.count) {
    fatal("file_info::meta_insert_value_ex: no room for another value");
  }
  for (size_t i = meta.count; i > value_index; --i) {
    meta.values[i] = meta.values[i - 1];
  }
  meta.values[value_index] = bounded_text(value, value_size);
  ++meta.count;
}

void HostFileInfo::meta_remove_mask(const player::bit_array& mask) {
  changing(11, "meta_remove_mask");
  for (size_t i = metas_.size(); i-- > 0;) {
    if (mask.get(i)) {
      metas_.erase(i);
    }
  }
}

void HostFileInfo::meta_reorder(const size_t* order) {
  changing(12, "meta_reorder");
  List<Meta> reordered;
  for (size_t i = 0; i < metas_.size(); ++i) {
    reordered.push(metas_[order[i]]);
  }
  metas_.clear();
  for (Meta& meta : reordered) {
    metas_.push(move(meta));
  }
}

void HostFileInfo::meta_remove_values(size_t index, const player::bit_array& mask) {
  changing(13, "meta_remove_values");
  Meta& meta = metas_[index];
  size_t kept = 0;
  for (size_t i = 0; i < meta.count; ++i) {
    if (!mask.get(i)) {
      meta.values[kept++] = meta.values[i];
    }
  }
  meta.count = kept;
  if (kept == 0) {
    metas_.erase(index);
  }
}

void HostFileInfo::meta_modify_value_ex(size_t index, size_t value_index, const char* value,
                                        size_t value_size) {
  changing(14, "meta_modify_value_ex");
  metas_[index].values[value_index] = bounded_text(value, value_size);
}

size_t HostFileInfo::info_get_count() const {
  counted_read();
  return infos_.size();
}

const char* HostFileInfo::info_enum_name(size_t index) const {
  counted_read();
  if (!check(index < infos_.size(), "file_info::info_enum_name past the last entry")) {
    return "";
  }
  return infos_[index].name.c_str();
}

const char* HostFileInfo::info_enum_value(size_t index) const {
  counted_read();
  if (!check(index < infos_.size(), "file_info::info_enum_value past the last entry")) {
    return "";
  }
  return infos_[index].value.c_str();
}

size_t HostFileInfo::info_set_ex(const char* name, size_t name_size, const char* value,
                                 size_t value_size) {
  changing(18, "info_set_ex");
  return info_set_nocheck_ex(name, name_size, value, value_size);
}

void HostFileInfo::info_remove_mask(const player::bit_array& mask) {
  changing(19, "info_remove_mask");
  for (size_t i = infos_.size(); i-- > 0;) {
    if (mask.get(i)) {
      infos_.erase(i);
    }
  }
}

size_t HostFileInfo::info_find_ex(const char* name, size_t name_size) const {
  counted_read();
  return find(infos_, name, name_size);
}

void HostFileInfo::copy(const player::file_info& source) {
  changing(21, "copy");
  copy_meta(source);
  copy_info(source);
  length_ = source.get_length();
  replaygain_ = source.get_replaygain();
}

void HostFileInfo::copy_meta(const player::file_info& source) {
  changing(22, "copy_meta");
  metas_.clear();
  for (size_t i = 0; i < source.meta_get_count(); ++i) {
    const char* name = source.meta_enum_name(i);
    for (size_t v = 0; v < source.meta_enum_value_count(i); ++v) {
      add_meta(name, source.meta_enum_value(i, v));
    }
  }
}

void HostFileInfo::copy_info(const player::file_info& source) {
  changing(23, "copy_info");
  infos_.clear();
  for (size_t i = 0; i < source.info_get_count(); ++i) {
    info_set_nocheck_ex(source.info_enum_name(i), SIZE_MAX, source.info_enum_value(i), SIZE_MAX);
  }
}

size_t HostFileInfo::meta_set_nocheck_ex(const char* name, size_t name_size, const char* value,
                                         size_t value_size) {
  changing(24, "meta_set_nocheck_ex");
  size_t index = find(metas_, name, name_size);
  if (index == SIZE_MAX) {
    index = metas_.size();
    Meta meta;
    meta.name = bounded_text(name, name_size);
    metas_.push(move(meta));
  }
  Meta& meta = metas_[index];
  meta.values[0] = bounded_text(value, value_size);
  meta.count = 1;
  return index;
}

size_t HostFileInfo::info_set_nocheck_ex(const char* name, size_t name_size, const char* value,
                                         size_t value_size) {
  changing(25, "info_set_nocheck_ex");
  size_t index = find(infos_, name, name_size);
  if (index == SIZE_MAX) {
    index = infos_.size();
    infos_.push(Info{bounded_text(name, name_size), Text()});
  }
  infos_[index].value = bounded_text(value, value_size);
  return index;
}

const player::file_info& HostInfoContainer::info() {
  ++info_calls_;
  return info_;
}

const player::filestats& HostInfoContainer::stats() {
  unexpected_slot("metadb_info_container", 4, "stats");
}

bool HostInfoContainer::isInfoPartial() {
  unexpected_slot("metadb_info_container", 5, "isInfoPartial");
}

const player::playable_location& HostTrack::get_location() const {
  unexpected_slot("metadb_handle", 3, "get_location");
}
bool HostTrack::format_title(player::titleformat_hook* /*hook*/, player::string_base& /*out*/,
                             const titleformat& /*script*/,
                             player::titleformat_text_filter* /*filter*/) {
  unexpected_slot("metadb_handle", 4, "format_title");
}
void HostTrack::metadb_lock() {
  unexpected_slot("metadb_handle", 5, "metadb_lock");
}
void HostTrack::metadb_unlock() {
  unexpected_slot("metadb_handle", 6, "metadb_unlock");
}
player::filestats HostTrack::get_filestats() const {
  unexpected_slot("metadb_handle", 7, "get_filestats");
}
bool HostTrack::is_info_loaded() const {
  unexpected_slot("metadb_handle", 8, "is_info_loaded");
}
bool HostTrack::get_info(player::file_info& /*info*/) const {
  unexpected_slot("metadb_handle", 9, "get_info");
}
bool HostTrack::get_info_locked(const player::file_info*& /*info*/) const {
  unexpected_slot("metadb_handle", 10, "get_info_locked");
}
bool HostTrack::is_info_loaded_async() const {
  unexpected_slot("metadb_handle", 11, "is_info_loaded_async");
}
bool HostTrack::get_info_async(player::file_info& /*info*/) const {
  unexpected_slot("metadb_handle", 12, "get_info_async");
}
bool HostTrack::get_info_async_locked(const player::file_info*& /*info*/) const {
  unexpected_slot("metadb_handle", 13, "get_info_async_locked");
}
void HostTrack::format_title_from_external_info(const player::file_info& /*info*/,
                                                player::titleformat_hook* /*hook*/,
                                                player::string_base& /*out*/,
                                                const titleformat& /*script*/,
                                                player::titleformat_text_filter* /*filter*/) {
  unexpected_slot("metadb_handle", 14, "format_title_from_external_info");
}
bool HostTrack::format_title_nonlocking(player::titleformat_hook* /*hook*/,
                                        player::string_base& /*out*/, const titleformat& /*script*/,
                                        player::titleformat_text_filter* /*filter*/) {
  unexpected_slot("metadb_handle", 15, "format_title_nonlocking");
}
void HostTrack::format_title_from_external_info_nonlocking(
    const player::file_info& /*info*/, player::titleformat_hook* /*hook*/,
    player::string_base& /*out*/, const titleformat& /*script*/,
    player::titleformat_text_filter* /*filter*/) {
  unexpected_slot("metadb_handle", 16, "format_title_from_external_info_nonlocking");
}
bool HostTrack::get_browse_info(player::file_info& /*info*/, uint64_t& /*timestamp*/) const {
  unexpected_slot("metadb_handle", 17, "get_browse_info");
}
bool HostTrack::get_browse_info_locked(const player::file_info*& /*info*/,
                                       uint64_t& /*timestamp*/) const {
  unexpected_slot("metadb_handle", 18, "get_browse_info_locked");
}
player::metadb_info_container::ptr HostTrack::get_info_ref() const {
  unexpected_slot("metadb_handle", 19, "get_info_ref() returning the container");
}

// The one way the component reads a track.
bool HostTrack::get_info_ref(player::metadb_info_container::ptr& out) const {
  ++info_ref_calls_;
  out = player::metadb_info_container::ptr(&container_);
  return true;
}

player::metadb_info_container::ptr HostTrack::get_async_info_ref() const {
  unexpected_slot("metadb_handle", 21, "get_async_info_ref() returning the container");
}
bool HostTrack::get_async_info_ref(player::metadb_info_container::ptr& /*out*/) const {
  unexpected_slot("metadb_handle", 22, "get_async_info_ref(ptr&)");
}
void HostTrack::get_browse_info_ref(player::metadb_info_container::ptr& /*info*/,
                                    player::metadb_info_container::ptr& /*browse*/) const {
  unexpected_slot("metadb_handle", 23, "get_browse_info_ref");
}

}  // namespace host

#include "player/host/track.h"

#include "player/host/not_offered.h"

namespace fbplayer {

Track::Track(const file_info_impl& info, bool has_info) : has_info_(has_info) {
  ++live_;
  set_info(info);
}

void Track::set_info(const file_info_impl& info) {
  info_ = info;
  container_ = has_info_ ? metadb_info_container_ptr(service_new<InfoContainer>(info_)) : nullptr;
}

const playable_location& Track::get_location() const {
  not_offered("metadb_handle::get_location");
}

bool Track::format_title(titleformat_hook* /*hook*/, pfc::string_base& /*out*/,
                         const service_ptr_t<titleformat_object>& /*script*/,
                         titleformat_text_filter* /*filter*/) {
  not_offered("metadb_handle::format_title");
}

t_filestats* Track::get_filestats(t_filestats* result) const {
  *result = {~std::uint64_t{0}, ~std::uint64_t{0}};
  return result;
}

bool Track::get_info(file_info& info) const {
  if (has_info_) {
    info.copy(info_);
  }
  return has_info_;
}

bool Track::get_info_locked(const file_info*& info) const {
  if (has_info_) {
    info = &info_;
  }
  return has_info_;
}

void Track::format_title_from_external_info(const file_info& /*info*/, titleformat_hook* /*hook*/,
                                            pfc::string_base& /*out*/,
                                            const service_ptr_t<titleformat_object>& /*script*/,
                                            titleformat_text_filter* /*filter*/) {
  not_offered("metadb_handle::format_title_from_external_info");
}

bool Track::format_title_nonlocking(titleformat_hook* /*hook*/, pfc::string_base& /*out*/,
                                    const service_ptr_t<titleformat_object>& /*script*/,
                                    titleformat_text_filter* /*filter*/) {
  not_offered("metadb_handle::format_title_nonlocking");
}

void Track::format_title_from_external_info_nonlocking(
    const file_info& /*info*/, titleformat_hook* /*hook*/, pfc::string_base& /*out*/,
    const service_ptr_t<titleformat_object>& /*script*/, titleformat_text_filter* /*filter*/) {
  not_offered("metadb_handle::format_title_from_external_info_nonlocking");
}

bool Track::get_browse_info(file_info& /*info*/, std::uint64_t& /*timestamp*/) const {
  return false;  // no information of the media library's own
}

bool Track::get_browse_info_locked(const file_info*& /*info*/, std::uint64_t& /*timestamp*/) const {
  return false;
}

metadb_info_container** Track::get_info_ref_by_value(metadb_info_container** result) const {
  *result = metadb_info_container_ptr(container_).detach();
  return result;
}

bool Track::get_info_ref(metadb_info_container_ptr& out) const {
  if (!container_) {
    return false;
  }
  out = container_;
  return true;
}

metadb_info_container** Track::get_async_info_ref_by_value(metadb_info_container** result) const {
  return get_info_ref_by_value(result);
}

void Track::get_browse_info_ref(metadb_info_container_ptr& out,
                                metadb_info_container_ptr& out_browse) const {
  out = container_;
  out_browse = nullptr;
}

}  // namespace fbplayer

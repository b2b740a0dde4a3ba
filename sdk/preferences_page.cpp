#include "sdk/preferences_page.h"

#include <utility>

#include "sdk/boundary.h"

window_handle preferences_page_impl::create(window_handle /*parent*/) {
  return nullptr;  // pages without an instance belong to an older generation of players
}

const char* preferences_page_impl::get_name() {
  return guarded("get_name", "", [this] { return page_name(); });
}

GUID* preferences_page_impl::get_guid(GUID* result) {
  *result = guarded("get_guid", GUID{}, [this] { return page_guid(); });
  return result;
}

GUID* preferences_page_impl::get_parent_guid(GUID* result) {
  *result = guarded("get_parent_guid", GUID{}, [this] { return parent_guid(); });
  return result;
}

bool preferences_page_impl::get_help_url(pfc::string_base& out) {
  return guarded("get_help_url", false, [&] { return help_url(out); });
}

double preferences_page_impl::get_sort_priority() {
  return guarded("get_sort_priority", 0.0, [this] { return sort_priority(); });
}

preferences_page_instance** preferences_page_impl::instantiate(
    preferences_page_instance** result, window_handle parent,
    service_arg<preferences_page_callback> callback) {
  // The callback's reference is ours from here on, whatever happens.
  service_ptr_t<preferences_page_callback> owned = callback.adopt();
  *result = guarded("instantiate", static_cast<preferences_page_instance*>(nullptr),
                    [&] { return create_instance(parent, std::move(owned)).detach(); });
  return result;
}

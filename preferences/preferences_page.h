// The component's page in the player's preferences tree.
#pragma once

#include "sdk/preferences_page.h"

namespace foo_brivanto {

class PreferencesPage : public preferences_page_impl {
 protected:
  ~PreferencesPage() = default;

  const char* page_name() override { return "brivanto"; }
  GUID page_guid() override;
  GUID parent_guid() override;
  // The page's dialog; when the system cannot make it, a plain window that says why (and a
  // console line), so that the player always gets a page to show.
  service_ptr_t<preferences_page_instance> create_instance(
      window_handle parent, service_ptr_t<preferences_page_callback> callback) override;
};

}  // namespace foo_brivanto

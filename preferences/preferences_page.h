// The component's page in the player's preferences tree.
#pragma once

#include "sdk/preferences_page.h"

namespace foo_brivanto {

class PreferencesPage : public preferences_page_v3 {
 public:
  // Windows without an instance belong to an older generation of hosts: not offered.
  void* create_obsolete(void* parent) override;
  const char* page_name() override { return "brivanto"; }
  GUID page_guid() override;
  GUID parent_guid() override;
  bool reset_query() override { return false; }
  void reset_obsolete() override {}
  bool help_url(string_base& out) override;
  double sort_priority() override { return 0.0; }
  service_ptr_t<preferences_page_instance> create_instance(
      void* parent, const service_ptr_t<preferences_page_callback>& callback,
      std::uint32_t& error) override;

 protected:
  ~PreferencesPage() = default;
};

}  // namespace foo_brivanto

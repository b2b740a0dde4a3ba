#include "preferences/preferences_page.h"

#include "preferences/preferences_dialog.h"

namespace foo_brivanto {

void* PreferencesPage::create_obsolete(void* /*parent*/) {
  return nullptr;
}

GUID PreferencesPage::page_guid() {
  // {B7E4F1A2-3C5D-4E8F-9A0B-1C2D3E4F5A6B}
  return {0xB7E4F1A2, 0x3C5D, 0x4E8F, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}};
}

GUID PreferencesPage::parent_guid() {
  // {627C0767-0793-44F8-8087-BE4934311282}: the branch the page is listed under.
  return {0x627C0767, 0x0793, 0x44F8, {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82}};
}

bool PreferencesPage::help_url(string_base& /*out*/) {
  return false;
}

service_ptr_t<preferences_page_instance> PreferencesPage::create_instance(
    void* parent, const service_ptr_t<preferences_page_callback>& callback, std::uint32_t& error) {
  const service_ptr_t<PreferencesDialog> dialog = service_new<PreferencesDialog>(callback);
  if (!dialog->create(parent, error)) {
    return nullptr;
  }
  return dialog;
}

}  // namespace foo_brivanto

// The services the component registers with the player, and what runs when the player starts
// and stops it.
#include <string>

#include "api/service_identity.h"
#include "build_config.h"
#include "component/file_name_check.h"
#include "journal/journal.h"
#include "preferences/preferences_page.h"
#include "scrobbler/scrobbler.h"
#include "sdk/boundary.h"
#include "sdk/component_services.h"
#include "sdk/core_api.h"
#include "sdk/main_thread.h"
#include "settings/settings.h"

namespace foo_brivanto {
namespace {

class InitQuit : public initquit {
 public:
  void on_init() override {
    guarded("on_init", [] {
      start_main_thread_tasks();
      upgrade_settings();
      start_journal(keep_unsent_scrobbles, session_key.get());
      create_scrobbler();
    });
  }
  // The player may unload the library once this returns: background work still under way
  // (a request, the journal's worker) hands it nothing more (sdk/main_thread.h), and keeps the
  // library's code loaded until it ends (sdk/threads.h).
  void on_quit() override {
    guarded("on_quit", [] {
      destroy_scrobbler();
      stop_journal();
      stop_main_thread_tasks();
    });
  }

 protected:
  ~InitQuit() = default;
};

}  // namespace
}  // namespace foo_brivanto

class componentversion_myimpl : public componentversion {
 public:
  void get_file_name(pfc::string_base& out) override {
    guarded("get_file_name", [&] { out.set_text(core_api::library_name()); });
  }
  void get_component_name(pfc::string_base& out) override {
    guarded("get_component_name", [&] { out.set_text("brivanto Scrobbler"); });
  }
  void get_component_version(pfc::string_base& out) override {
    guarded("get_component_version", [&] { out.set_text(foo_brivanto::kComponentVersion); });
  }
  void get_about_message(pfc::string_base& out) override {
    guarded("get_about_message",
            [&] { out.set_text("Scrobble to " + std::string(foo_brivanto::service_host_name())); });
  }

 protected:
  ~componentversion_myimpl() = default;
};

class component_installation_validator_filename : public component_installation_validator {
 public:
  bool is_installed_correctly() override {
    return guarded("is_installed_correctly", false, [] {
      return foo_brivanto::has_file_name(core_api::library_path(), foo_brivanto::kLibraryFileName);
    });
  }

 protected:
  ~component_installation_validator_filename() = default;
};

namespace {

// Each factory joins the head of the service list, so the player finds them in reverse order.
initquit_factory_t<foo_brivanto::InitQuit> g_initquit_factory;
service_factory_single_t<componentversion_myimpl> g_version_factory;
service_factory_single_t<component_installation_validator_filename> g_validator_factory;
preferences_page_factory_t<foo_brivanto::PreferencesPage> g_preferences_page_factory;

}  // namespace

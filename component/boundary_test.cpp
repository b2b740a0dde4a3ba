// Every slot of the component's own objects, as the player calls them, made to fail inside:
// through what the player hands the slot (a string or a stream that throws), or through memory
// running out in what the slot calls. Each must stop the failure, give the player its answer for
// failure and say why on the console. A program of its own: its allocation functions fail on
// demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "player/host/file_info_impl.h"
#include "player/host/track.h"
#include "player/page_window.h"
#include "preferences/preferences_dialog.h"
#include "preferences/window.h"
#include "scrobbler/scrobbler.h"
#include "sdk/client.h"
#include "sdk/component_services.h"
#include "sdk/preferences_page.h"
#include "tests/support/attached_host.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/settings_reset.h"

namespace foo_brivanto {
namespace {

[[noreturn]] void player_fails() {
  throw std::runtime_error("the player's object failed");
}

class ThrowingString final : public pfc::string_base {
 public:
  void add_string(const char* /*text*/, std::size_t /*length*/) override { player_fails(); }
  const char* get_ptr() const override { return ""; }
  void set_string(const char* /*text*/, std::size_t /*length*/) override { player_fails(); }
  void truncate(std::size_t /*length*/) override { player_fails(); }
  std::size_t get_length() const override { return 0; }
  char* lock_buffer(std::size_t /*length*/) override { player_fails(); }
  void unlock_buffer() override { player_fails(); }
};

class ThrowingReader final : public stream_reader {
 public:
  std::size_t read(void* /*buffer*/, std::size_t /*size*/, abort_callback& /*abort*/) override {
    player_fails();
  }
};

class ThrowingWriter final : public stream_writer {
 public:
  void write(const void* /*buffer*/, std::size_t /*size*/, abort_callback& /*abort*/) override {
    player_fails();
  }
};

class Notices : public preferences_page_callback {
 public:
  void on_state_changed() override {}

 protected:
  ~Notices() = default;
};

int references(service_base& object) {
  object.service_add_ref();
  return object.service_release();
}

// One slot: how the test brings the component to a state where the slot has work to do, and
// the call itself, with the failure injected; its answer as text.
struct Slot {
  const char* interface;
  const char* name;
  std::function<void()> prepare;
  std::function<std::string()> call;
  const char* answer;
  const char* failure;  // how the console names what failed
};

constexpr const char* kOutOfMemory = "std::bad_alloc";
constexpr const char* kPlayerFailed = "the player's object failed";

// Slots whose bodies call nothing that can fail, and so have no row: get_version,
// get_service_list, services_init and is_debug of the client; on_quit; is_installed_correctly;
// the page's slots that only answer constants (the support code's guards around them are held
// by sdk_test); get_state and get_wnd of the dialog, and every slot of the page shown when the
// dialog cannot be made; and the play callback's seek, pause, starting, dynamic_info_track and
// volume_change, which only assign a number or do nothing.
TEST(ComponentBoundaryTest, EverySlotStopsAFailureInsideIt) {
  brivanto_test::AttachedHost host;
  brivanto_test::reset_settings();
  foobar2000_client& client = *foobar2000_get_interface(&*host, nullptr);
  client.services_init(true);
  service_ptr found;
  const auto service = [&](const GUID& guid) -> service_base& {
    for (service_factory_base* f = client.get_service_list(); f != nullptr; f = f->get_next()) {
      if (f->get_class_guid() == guid) {
        f->instance_create(found);  // a static instance: it stays
        return *found;
      }
    }
    throw std::logic_error("no such service");
  };
  auto& init = static_cast<initquit&>(service(initquit::class_guid));  // NOLINT(*-downcast)
  auto& version =
      static_cast<componentversion&>(service(componentversion::class_guid));  // NOLINT(*-downcast)
  auto& page = static_cast<preferences_page_v3&>(                             // NOLINT(*-downcast)
      static_cast<preferences_page&>(service(preferences_page::class_guid)));
  // The tracker, the component's play callback, as the player holds it once it has started.
  const auto events = [&] { return host->playback().registrations().at(0).callback; };

  fbplayer::file_info_impl info;
  info.meta_add("artist", "A");
  info.meta_add("title", "T");
  info.set_length(100);
  const metadb_handle_ptr track = service_new<fbplayer::Track>(info);
  info.meta_add("album", "an album name longer than any the tracker holds");
  const metadb_handle_ptr edited = service_new<fbplayer::Track>(info);
  fbplayer::file_info_impl stream;
  stream.info_set("artist", "an artist whose name is longer than any before it");
  const auto follow = [&] { events()->on_playback_new_track(service_arg_source(track)); };
  const service_ptr_t<preferences_page_callback> notices = service_new<Notices>();
  service_ptr_t<preferences_page_instance> dialog;
  const auto open_page = [&] {
    preferences_page_instance* instance = nullptr;
    page.instantiate(&instance, fbplayer::page_parent_window(), service_arg_source(notices));
    dialog = service_ptr_t<preferences_page_instance>::adopt(instance);
  };
  const auto out_of_memory = [](const std::function<void()>& call) {
    brivanto_test::fail_next_allocation();
    call();
    return std::string();
  };
  const std::string long_path = "C:\\" + std::string(300, 'p') + "\\foo_brivanto.dll";
  ThrowingString string;
  ThrowingReader reader;
  ThrowingWriter writer;
  abort_callback_dummy never;
  const Slot slots[] = {
      {"client", "get_config", nullptr, [&] { return client.get_config(&writer, never), ""; }, "",
       kPlayerFailed},
      {"client", "set_config", nullptr, [&] { return client.set_config(&reader, never), ""; }, "",
       kPlayerFailed},
      {"client", "set_library_path", nullptr,
       [&] { return out_of_memory([&] { client.set_library_path(long_path.c_str(), "x"); }); }, "",
       kOutOfMemory},
      {"initquit", "on_init", [] { destroy_scrobbler(); },
       [&] { return out_of_memory([&] { init.on_init(); }); }, "", kOutOfMemory},
      {"componentversion", "get_file_name", nullptr,
       [&] { return version.get_file_name(string), ""; }, "", kPlayerFailed},
      {"componentversion", "get_component_name", nullptr,
       [&] { return version.get_component_name(string), ""; }, "", kPlayerFailed},
      {"componentversion", "get_component_version", nullptr,
       [&] { return version.get_component_version(string), ""; }, "", kPlayerFailed},
      {"componentversion", "get_about_message", nullptr,
       [&] { return version.get_about_message(string), ""; }, "", kPlayerFailed},
      {"play_callback", "on_playback_new_track", [&] { init.on_init(); },
       [&] { return out_of_memory(follow); }, "", kOutOfMemory},
      {"play_callback", "on_playback_time", follow,
       [&] { return out_of_memory([&] { events()->on_playback_time(4); }); }, "", kOutOfMemory},
      {"play_callback", "on_playback_edited", follow,
       [&] {
         return out_of_memory([&] { events()->on_playback_edited(service_arg_source(edited)); });
       },
       "", kOutOfMemory},
      {"play_callback", "on_playback_dynamic_info", follow,
       [&] { return out_of_memory([&] { events()->on_playback_dynamic_info(stream); }); }, "",
       kOutOfMemory},
      {"play_callback", "on_playback_stop", follow,
       [&] {
         return out_of_memory([&] { events()->on_playback_stop(play_control::stop_reason_user); });
       },
       "", kOutOfMemory},
      {"preferences_page", "instantiate", nullptr,
       [&] {
         out_of_memory(open_page);
         return std::to_string(!dialog) + std::to_string(references(*notices));
       },
       "11", kOutOfMemory},
      {"preferences_page_instance", "apply", open_page,
       [&] { return out_of_memory([&] { dialog->apply(); }); }, "", kOutOfMemory},
      {"preferences_page_instance", "reset", open_page,
       [&] { return out_of_memory([&] { dialog->reset(); }); }, "", kOutOfMemory},
  };
  for (const Slot& s : slots) {
    if (s.prepare) {
      s.prepare();
    }
    host->console().clear();
    EXPECT_EQ(s.call(), s.answer) << s.name;
    EXPECT_FALSE(brivanto_test::take_pending_allocation_failure())
        << s.name << " allocated nothing";
    EXPECT_EQ(host->console().lines(),
              std::vector<std::string>{"foo_brivanto: internal error in " + std::string(s.name) +
                                       ": " + s.failure})
        << s.interface;
    dialog = nullptr;
  }

  // The dialog's window procedure, which the window system calls: a failure inside counts as a
  // message not handled, and ends nothing.
  open_page();
  auto& window_procedure = static_cast<PreferencesDialog&>(*dialog);  // NOLINT(*-downcast)
  std::intptr_t result = 0;
  brivanto_test::fail_next_allocation();  // in a press of the authorization button
  EXPECT_FALSE(
      window_procedure.on_message(window_procedure.handle(), kWmCommand, kIdcAuth, 0, result));
  EXPECT_FALSE(brivanto_test::take_pending_allocation_failure());
  dialog = nullptr;
  destroy_scrobbler();

  // A service that the component lists brings its slots to the table above (the validator's one
  // slot calls nothing that can fail).
  const std::pair<GUID, const char*> known[] = {
      {initquit::class_guid, "initquit"},
      {componentversion::class_guid, "componentversion"},
      {component_installation_validator::class_guid, nullptr},
      {preferences_page::class_guid, "preferences_page"}};
  for (service_factory_base* f = client.get_service_list(); f != nullptr; f = f->get_next()) {
    const auto entry = std::find_if(std::begin(known), std::end(known),
                                    [f](const auto& k) { return k.first == f->get_class_guid(); });
    EXPECT_TRUE(
        entry != std::end(known) &&
        (entry->second == nullptr ||
         std::any_of(std::begin(slots), std::end(slots),
                     [entry](const Slot& s) { return std::string(s.interface) == entry->second; })))
        << "the component lists a service whose slots this table does not hold";
  }
}

}  // namespace
}  // namespace foo_brivanto

// The component as the player meets it: the exported entry, the client interface, the
// registered services, start and stop.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "build_config.h"
#include "journal/journal.h"
#include "journal/journal_test_files.h"
#include "player/player.h"
#include "player/script.h"
#include "scrobbler/scrobbler.h"
#include "sdk/client.h"
#include "sdk/component_services.h"
#include "sdk/main_thread.h"
#include "sdk/preferences_page.h"
#include "tests/support/attached_host.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"
#include "tests/support/stand_in_service.h"

namespace foo_brivanto {
namespace {

// The component linked in, attached to a host by its entry; services by their place in the list.
class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brivanto_test::reset_settings();
    client_ = foobar2000_get_interface(&*host_, nullptr);
    client_->services_init(true);
    for (service_factory_base* f = client_->get_service_list(); f != nullptr; f = f->get_next()) {
      factories_.push_back(f);
    }
  }
  void TearDown() override { destroy_scrobbler(); }

  template <class T>
  T& service(std::size_t index) {
    service_ptr instance;
    factories_.at(index)->instance_create(instance);
    return *static_cast<T*>(instance.get());  // a single static instance: it stays
  }

  brivanto_test::AttachedHost host_;
  foobar2000_client* client_ = nullptr;
  std::vector<service_factory_base*> factories_;
  const std::string name_{kLibraryFileName};
};

TEST_F(ComponentTest, PresentsItselfToThePlayer) {
  EXPECT_EQ(client_->get_version() + (client_->is_debug() ? 1U : 0U), 80U);  // not a debug build
  // The player reads each factory's fields itself: [vptr][next][pointer to the class GUID].
  std::vector<GUID> listed;
  for (const void* f = client_->get_service_list(); f != nullptr;) {
    const void* fields[3] = {};
    std::memcpy(fields, f, sizeof fields);
    listed.push_back(*static_cast<const GUID*>(fields[2]));
    f = fields[1];
  }
  EXPECT_EQ(listed, (std::vector<GUID>{preferences_page::class_guid,
                                       component_installation_validator::class_guid,
                                       componentversion::class_guid, initquit::class_guid}));
  client_->set_library_path(("C:\\components\\" + name_).c_str(), name_.c_str());
  componentversion& version = service<componentversion>(2);
  pfc::string8 file, component, number, about;
  version.get_file_name(file);
  version.get_component_name(component);
  version.get_component_version(number);
  version.get_about_message(about);
  EXPECT_EQ(file.get() + "|" + component.get() + "|" + number.get() + "|" + about.get(),
            name_ + "|brivanto Scrobbler|1.3.1|Scrobble to 127.0.0.1");
}

// The page is listed as a first-generation page and answers for the later ones; its GUIDs come
// back through the result pointers the player gives.
TEST_F(ComponentTest, OffersItsPageToEveryGenerationOfThePlayer) {
  const service_ptr_t<preferences_page> listed(&service<preferences_page>(0));
  for (const GUID& guid : {preferences_page_v2::class_guid, preferences_page_v3::class_guid}) {
    service_ptr found;
    EXPECT_TRUE(listed->service_query(found, guid));
    EXPECT_EQ(found.get(), static_cast<service_base*>(listed.get()));
  }
  GUID page{}, parent{};
  EXPECT_EQ(listed->get_guid(&page), &page);
  EXPECT_EQ(listed->get_parent_guid(&parent), &parent);
  EXPECT_EQ(std::string(listed->get_name()), "brivanto");
  EXPECT_EQ(page,
            (GUID{0xB7E4F1A2, 0x3C5D, 0x4E8F, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}}));
  EXPECT_EQ(parent,
            (GUID{0x627C0767, 0x0793, 0x44F8, {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82}}));
}

// The file-name part of the path (after the last "\", "/", "|" or ":") must match, byte for byte.
TEST_F(ComponentTest, ChecksItsFileName) {
  const struct {
    std::string path;
    bool ok;
  } cases[] = {
      {"C:\\Program Files\\foobar2000\\components\\" + name_, true},
      {"/opt/player/components/" + name_, true},
      {"archive.fb2k-component|" + name_, true},
      {"C:" + name_, true},
      {"C:\\components\\F" + name_.substr(1), false},
      {"C:\\components\\" + name_ + "\\", false},
  };
  for (const auto& c : cases) {
    client_->set_library_path(c.path.c_str(), name_.c_str());
    EXPECT_EQ(service<component_installation_validator>(1).is_installed_correctly(), c.ok)
        << c.path;
  }
}

// Start upgrades the settings and creates one tracker, also after a stop, which removes it.
TEST_F(ComponentTest, StartsAndStopsTheTracker) {
  settings_version = 0;
  pending_token = "left over from an old version";
  initquit& component = service<initquit>(3);
  for (int run = 0; run < 2; ++run) {
    host_->console().clear();
    component.on_quit();  // nothing to stop yet, or the tracker of the run before
    component.on_init();
    component.on_init();  // already running: no second tracker, no lines
    EXPECT_EQ(host_->console().lines(),
              (std::vector<std::string>{
                  "foo_brivanto: Scrobbler registered — open View → Console for debug output",
                  "foo_brivanto: Server " + brivanto_test::fixture_url("service") +
                      ", scrobbling=on, now playing=on, authorized=no"}));
    EXPECT_EQ(std::to_string(settings_version) + pending_token.get(), "4");
    EXPECT_EQ(host_->playback().registrations().size(), 1U);
  }
  component.on_quit();
  EXPECT_TRUE(host_->playback().registrations().empty());
  // Once stopped, the component hands the player no tasks: it may be unloaded at any moment.
  run_in_main_thread([] {});
  EXPECT_EQ(host_->main_thread().pending(), 0U);
  component.on_init();
  run_in_main_thread([] {});
  EXPECT_EQ(host_->main_thread().pending(), 1U);
}

// With the switch for keeping scrobbles off, the component prints exactly the lines it printed
// before there was a journal, and leaves nothing in the player's profile folder. Steps of the
// run, each a player command, or "key K" (the stored session key: "session", "bad" or "").
TEST_F(ComponentTest, WithoutTheJournalTheConsoleIsAsBefore) {
  const std::string base_url = brivanto_test::fixture_url("service");
  const std::string session = brivanto_test::new_session_key(base_url);
  const brivanto_test::TempFolder profile;
  host_->set_profile_path("file://" + profile.path());
  session_key = session;
  initquit& component = service<initquit>(3);
  component.on_init();
  fbplayer::Player player(*host_, 0);
  std::istringstream steps(
      "add length=100 artist=A title=T|add length=100 artist=B title=U|"
      "add length=100 artist=C title=V|play|wait 5|expect \"Now playing OK: A - T\"|wait 50|"
      "expect \"Scrobble OK: A - T\"|key bad|next|wait 5|expect \"Now playing FAILED\"|wait 50|"
      "expect \"Scrobble FAILED\"|key |next|wait 60|stop");
  for (std::string step; std::getline(steps, step, '|');) {
    if (step.starts_with("key ")) {
      session_key = step == "key session" ? session : step == "key bad" ? std::string(32, 'f') : "";
      continue;
    }
    fbplayer::Command command;
    std::string error;
    ASSERT_TRUE(fbplayer::parse_command(step, command, error)) << step;
    ASSERT_EQ(player.execute(command, error), fbplayer::Player::Outcome::kContinue) << error;
  }
  component.on_quit();
  host_->main_thread().run_pending();
  const std::string refused = R"({"error":6,"message":"Invalid session key"})";
  EXPECT_EQ(
      host_->console().lines(),
      (std::vector<std::string>{
          "foo_brivanto: Scrobbler registered — open View → Console for debug output",
          "foo_brivanto: Server " + base_url + ", scrobbling=on, now playing=on, authorized=yes",
          "foo_brivanto: Now playing: A - T [100s, scrobble after 50s]",
          "foo_brivanto: Sending now playing: A - T",
          "foo_brivanto: Now playing OK: A - T",
          "foo_brivanto: Sending scrobble: A - T",
          "foo_brivanto: Scrobble OK: A - T",
          "foo_brivanto: Now playing: B - U [100s, scrobble after 50s]",
          "foo_brivanto: Sending now playing: B - U",
          "foo_brivanto: Now playing FAILED: " + refused,
          "foo_brivanto: Sending scrobble: B - U",
          "foo_brivanto: Scrobble FAILED: " + refused,
          "foo_brivanto: Now playing: C - V [100s, scrobble after 50s]",
          "foo_brivanto: WARNING: not authorized — click Complete authorization, then Apply",
          "foo_brivanto: Scrobble skipped: not authorized",
      }));
  EXPECT_TRUE(brivanto_test::file_names(profile.path()).empty());
}

// With the switch on, start opens the journal in the profile folder, in the background.
TEST_F(ComponentTest, StartsTheJournal) {
  const brivanto_test::TempFolder profile;
  host_->set_profile_path("file://" + profile.path());
  keep_unsent_scrobbles = true;
  initquit& component = service<initquit>(3);
  // The journal tells its listeners, on the main thread, when it has been read.
  const std::uint64_t listener = add_journal_listener([] {});
  component.on_init();
  EXPECT_TRUE(
      host_->main_thread().run_until([] { return journal_status().loaded; },
                                     std::chrono::steady_clock::now() + std::chrono::seconds(30)));
  remove_journal_listener(listener);
  component.on_quit();
}

// The console is one of the host's services: before the host offers them, no line is printed.
TEST_F(ComponentTest, IsSilentUntilTheHostOffersItsServices) {
  client_->services_init(false);
  service<initquit>(3).on_init();
  EXPECT_TRUE(host_->console().lines().empty());
}

}  // namespace
}  // namespace foo_brivanto

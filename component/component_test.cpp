// The component as the player meets it: the exported entry, the client interface, the
// registered services, start and stop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_config.h"
#include "component/file_name_check.h"
#include "scrobbler/scrobbler.h"
#include "sdk/client.h"
#include "sdk/component_services.h"
#include "sdk/preferences_page.h"
#include "tests/support/attached_host.h"
#include "tests/support/fixture_url.h"
#include "tests/support/settings_reset.h"

namespace foo_brivanto {
namespace {

using Lines = std::vector<std::string>;

TEST(FileNameCheckTest, ComparesTheFileNamePartExactly) {
  const struct {
    const char* path;
    bool ok;
  } cases[] = {
      {"C:\\Program Files\\foobar2000\\components\\foo_brivanto.dll", true},
      {"/opt/player/components/foo_brivanto.dll", true},
      {"archive.fb2k-component|foo_brivanto.dll", true},
      {"C:foo_brivanto.dll", true},
      {"foo_brivanto.dll", true},
      {"C:\\components\\Foo_brivanto.dll", false},
      {"C:\\components\\foo_brivanto.DLL", false},
      {"C:\\components\\foo_brivanto2.dll", false},
      {"C:\\components\\foo_brivanto.dll\\", false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(has_file_name(c.path, "foo_brivanto.dll"), c.ok) << c.path;
  }
}

// The component linked into this program, attached to an in-process host through its entry.
class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brivanto_test::reset_settings();
    settings_version = 0;
    client_ = foobar2000_get_interface(&*host_, nullptr);
    client_->services_init(true);
  }
  void TearDown() override { destroy_scrobbler(); }

  template <class T>
  std::vector<T*> services() {
    std::vector<T*> found;
    for (service_factory_base* f = client_->get_service_list(); f != nullptr; f = f->get_next()) {
      if (f->get_class_guid() == T::class_guid) {
        service_ptr instance;
        f->instance_create(instance);
        found.push_back(static_cast<T*>(instance.get()));
      }
    }
    return found;
  }

  initquit& component() {
    const auto found = services<initquit>();
    EXPECT_EQ(found.size(), 1U);
    return *found.at(0);
  }

  brivanto_test::AttachedHost host_;
  foobar2000_client* client_ = nullptr;
};

TEST_F(ComponentTest, ClientInterface) {
  EXPECT_EQ(foobar2000_get_interface(&*host_, nullptr), client_);
  EXPECT_EQ(client_->get_version(), 80U);
  EXPECT_FALSE(client_->is_debug());

  std::vector<GUID> listed;
  for (service_factory_base* f = client_->get_service_list(); f != nullptr; f = f->get_next()) {
    listed.push_back(f->get_class_guid());
  }
  EXPECT_EQ(listed, (std::vector<GUID>{preferences_page_v3::class_guid,
                                       component_installation_validator::class_guid,
                                       componentversion::class_guid, initquit::class_guid}));
}

TEST_F(ComponentTest, VersionInformationAndFileNameCheck) {
  const std::string expected_name(kLibraryFileName);
  client_->set_library_path(("/profile/components/" + expected_name).c_str(),
                            expected_name.c_str());
  componentversion& version = *services<componentversion>().at(0);
  string8 text;
  version.get_component_name(text);
  EXPECT_EQ(text.get(), "brivanto Scrobbler");
  version.get_component_version(text);
  EXPECT_EQ(text.get(), "1.3.1");
  version.get_about_message(text);
  EXPECT_EQ(text.get(), "Scrobble to 127.0.0.1");
  version.get_file_name(text);
  EXPECT_EQ(text.get(), expected_name);

  component_installation_validator& validator = *services<component_installation_validator>().at(0);
  EXPECT_TRUE(validator.is_installed_correctly());
  client_->set_library_path("/profile/components/foo_brivanto_old.dll", "foo_brivanto_old.dll");
  EXPECT_FALSE(validator.is_installed_correctly());
}

TEST_F(ComponentTest, StartAndStop) {
  const Lines start_up = {
      "foo_brivanto: Scrobbler registered — open View → Console for debug output",
      "foo_brivanto: Server " + brivanto_test::fixture_url("service") +
          ", scrobbling=on, now playing=on, authorized=no"};
  pending_token = "left over from an old version";

  component().on_quit();  // nothing to stop yet
  component().on_init();
  EXPECT_EQ(host_->console().lines(), start_up);
  EXPECT_EQ(settings_version, kSettingsVersion);
  EXPECT_EQ(pending_token.get(), "");
  ASSERT_EQ(host_->playback().registrations().size(), 1U);
  EXPECT_EQ(host_->playback().registrations()[0].flags, 0x17EU);

  component().on_init();  // already running: no second tracker, no lines
  EXPECT_EQ(host_->console().lines().size(), 2U);
  EXPECT_EQ(host_->playback().registrations().size(), 1U);

  component().on_quit();
  EXPECT_TRUE(host_->playback().registrations().empty());
  component().on_quit();

  host_->console().clear();
  session_key = "key";
  enable_now_playing = false;
  component().on_init();
  EXPECT_EQ(host_->console().lines().at(1), "foo_brivanto: Server " +
                                                brivanto_test::fixture_url("service") +
                                                ", scrobbling=on, now playing=off, authorized=yes");
  EXPECT_EQ(host_->playback().registrations().size(), 1U);
}

TEST_F(ComponentTest, ConsoleIsSilentUntilTheHostOffersItsServices) {
  client_->services_init(false);
  component().on_init();
  EXPECT_TRUE(host_->console().lines().empty());
}

}  // namespace
}  // namespace foo_brivanto

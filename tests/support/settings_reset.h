// The settings are static objects of the process; tests start from a known state.
#pragma once

#include <string_view>

#include "settings/settings.h"

namespace brivanto_test {

// A configuration as after start-up on a fresh installation, with `session` as the session key.
inline void reset_settings(std::string_view session = "") {
  foo_brivanto::enable_scrobbling = true;
  foo_brivanto::enable_now_playing = true;
  foo_brivanto::settings_version = foo_brivanto::kSettingsVersion;
  foo_brivanto::pending_token = "";
  foo_brivanto::session_key = session;
  foo_brivanto::keep_unsent_scrobbles = false;
}

}  // namespace brivanto_test

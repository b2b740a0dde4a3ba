// The component's persistent settings: its whole configuration, kept by the host.
//
// Read and written on the main thread only. Background tasks get copies (the session key goes
// into each request's configuration before the task starts).
#pragma once

#include "sdk/cfg_var.h"

namespace foo_brivanto {

// Send scrobbles ("Enable scrobbling"). Default on.
extern cfg_int_t<bool> enable_scrobbling;
// Send now-playing notices ("Enable now playing"). Default on.
extern cfg_int_t<bool> enable_now_playing;
// Layout version of the stored settings; upgrade_settings brings it to kSettingsVersion.
extern cfg_int_t<int> settings_version;
// The token obtained by "Request authorization" and not yet exchanged for a session key.
extern cfg_string pending_token;
// The session key obtained by "Complete authorization"; empty means not authorized.
extern cfg_string session_key;
// Keep scrobbles that could not be sent in a journal on disk and send them later ("Keep
// scrobbles that could not be sent, and send them later"). Default off. A record of its own
// that configurations written before it lack, so that they read as off.
extern cfg_int_t<bool> keep_unsent_scrobbles;

inline constexpr int kSettingsVersion = 4;

// Brings stored settings to kSettingsVersion. Versions before 4 may hold a pending token that
// the service no longer honours, so it is dropped; the switches and an existing session key
// are kept. Does nothing once the version is current; safe to call any number of times.
void upgrade_settings();

}  // namespace foo_brivanto

#include "settings/settings.h"

namespace foo_brivanto {

// Each variable joins the head of the host's lists as it is constructed, and the host writes
// records in list order, so the definition order below fixes the stored order (reversed):
// settings_version, enable_now_playing, enable_scrobbling, pending_token, session_key, then
// keep_unsent_scrobbles, which came later and so goes last, leaving the older records where
// they were. Readers match records by GUID and do not depend on it.

// {7967B354-0DAE-4903-911C-6663340F9A2F}
cfg_int_t<bool> keep_unsent_scrobbles(
    {0x7967B354, 0x0DAE, 0x4903, {0x91, 0x1C, 0x66, 0x63, 0x34, 0x0F, 0x9A, 0x2F}}, false);

// {D6E1F5B4-8C70-4D2E-BF01-4A5B6C7D8E9F}
cfg_string session_key(
    {0xD6E1F5B4, 0x8C70, 0x4D2E, {0xBF, 0x01, 0x4A, 0x5B, 0x6C, 0x7D, 0x8E, 0x9F}}, "");

// {E7F2A6C5-9D81-4E3F-C012-5B6C7D8E9F0A}
cfg_string pending_token(
    {0xE7F2A6C5, 0x9D81, 0x4E3F, {0xC0, 0x12, 0x5B, 0x6C, 0x7D, 0x8E, 0x9F, 0x0A}}, "");

// {F8A3B7D6-AE92-4F40-D123-6C7D8E9F0A1B}
cfg_int_t<bool> enable_scrobbling(
    {0xF8A3B7D6, 0xAE92, 0x4F40, {0xD1, 0x23, 0x6C, 0x7D, 0x8E, 0x9F, 0x0A, 0x1B}}, true);

// {09B4C8E7-BFA3-4051-E234-7D8E9F0A1B2C}
cfg_int_t<bool> enable_now_playing(
    {0x09B4C8E7, 0xBFA3, 0x4051, {0xE2, 0x34, 0x7D, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C}}, true);

// {1AC5D9F8-C0B4-4162-F345-8E9F0A1B2C3D}
cfg_int_t<int> settings_version(
    {0x1AC5D9F8, 0xC0B4, 0x4162, {0xF3, 0x45, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C, 0x3D}}, 0);

void upgrade_settings() {
  if (settings_version >= kSettingsVersion) {
    return;
  }
  pending_token = "";
  settings_version = kSettingsVersion;
}

}  // namespace foo_brivanto

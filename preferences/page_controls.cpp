// The preferences dialog's control table, from the ids, texts and places the resource shares.
#include "preferences/page_controls.h"

#include "api/service_identity.h"
#include "preferences/dialog_ids.h"

namespace foo_brivanto {

std::vector<PageControl> page_controls() {
  const std::string host(service_host_name());
  return {
      {-1,
       "STATIC",
       TEXT_SERVER_BEFORE_HOST + host + TEXT_SERVER_AFTER_HOST,
       false,
       {PLACE_SERVER}},
      {IDC_AUTH, "BUTTON", TEXT_AUTH, false, {PLACE_AUTH}},
      {IDC_ENABLE_SCROBBLING, "BUTTON", TEXT_ENABLE_SCROBBLING, true, {PLACE_ENABLE_SCROBBLING}},
      {IDC_ENABLE_NOW_PLAYING, "BUTTON", TEXT_ENABLE_NOW_PLAYING, true, {PLACE_ENABLE_NOW_PLAYING}},
      {IDC_KEEP_UNSENT, "BUTTON", TEXT_KEEP_UNSENT, true, {PLACE_KEEP_UNSENT}},
      {IDC_JOURNAL_STATUS, "STATIC", TEXT_JOURNAL_STATUS, false, {PLACE_JOURNAL_STATUS}},
      {IDC_DISCARD, "BUTTON", TEXT_DISCARD, false, {PLACE_DISCARD}},
      {-1, "STATIC", TEXT_STEPS_BEFORE_HOST + host + TEXT_STEPS_AFTER_HOST, false, {PLACE_STEPS}},
  };
}

}  // namespace foo_brivanto

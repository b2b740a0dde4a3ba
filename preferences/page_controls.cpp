// The preferences dialog's control table, from the ids and texts the resource shares.
#include "preferences/page_controls.h"

#include "api/service_identity.h"
#include "preferences/dialog_ids.h"

namespace foo_brivanto {

std::vector<PageControl> page_controls() {
  const std::string host(service_host_name());
  return {
      {-1, "STATIC", TEXT_SERVER_BEFORE_HOST + host + TEXT_SERVER_AFTER_HOST, false},
      {IDC_AUTH, "BUTTON", TEXT_AUTH, false},
      {IDC_ENABLE_SCROBBLING, "BUTTON", TEXT_ENABLE_SCROBBLING, true},
      {IDC_ENABLE_NOW_PLAYING, "BUTTON", TEXT_ENABLE_NOW_PLAYING, true},
      {-1, "STATIC", TEXT_STEPS_BEFORE_HOST + host + TEXT_STEPS_AFTER_HOST, false},
  };
}

}  // namespace foo_brivanto

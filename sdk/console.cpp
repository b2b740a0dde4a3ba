#include "sdk/console.h"

#include "sdk/core_api.h"

namespace console {

void print(std::string_view line) {
  if (!core_api::are_services_available()) {
    return;
  }
  for_each_service<console_receiver>([line](const service_ptr_t<console_receiver>& receiver) {
    receiver->print(line.data(), line.size());
  });
}

}  // namespace console

#include "sdk/console.h"

#include "sdk/core_api.h"

namespace console {

void print(std::string_view line) {
  if (!core_api::are_services_available()) {
    return;
  }
  standard_api_create_t<console_manager>()->print(line.data(), line.size());
}

}  // namespace console

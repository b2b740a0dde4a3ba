// The exported entry and the client interface behind it: the player's way into the component.
#include "sdk/boundary.h"
#include "sdk/cfg_var.h"
#include "sdk/client.h"

namespace {

class Client final : public foobar2000_client {
 public:
  std::uint32_t get_version() override { return kVersion; }
  service_factory_base* get_service_list() override { return service_factory_base::list_head(); }
  void get_config(stream_writer* stream, abort_callback& abort) override {
    guarded("get_config", [&] { cfg_var_writer::config_write_file(*stream, abort); });
  }
  void set_config(stream_reader* stream, abort_callback& abort) override {
    guarded("set_config", [&] { cfg_var_reader::config_read_file(*stream, abort); });
  }
  void set_library_path(const char* path, const char* name) override {
    guarded("set_library_path", [&] { core_api::set_library_path(path, name); });
  }
  void services_init(bool available) override { core_api::set_services_available(available); }
  bool is_debug() override { return false; }
};

Client g_client;

}  // namespace

extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* api, void* module_handle) {
  core_api::set_host(api);
  core_api::set_module_handle(module_handle);
  return &g_client;
}

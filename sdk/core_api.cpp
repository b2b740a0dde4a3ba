#include "sdk/core_api.h"

#include <atomic>
#include <string>

namespace core_api {
namespace {

std::atomic<foobar2000_api*> g_host{nullptr};
std::atomic<bool> g_services_available{false};
void* g_module_handle = nullptr;

std::string& library_path_storage() {
  static std::string path;
  return path;
}

std::string& library_name_storage() {
  static std::string name;
  return name;
}

}  // namespace

foobar2000_api* host() {
  return g_host.load(std::memory_order_acquire);
}

void set_host(foobar2000_api* api) {
  g_host.store(api, std::memory_order_release);
}

bool are_services_available() {
  return g_services_available.load(std::memory_order_acquire);
}

void set_services_available(bool available) {
  g_services_available.store(available, std::memory_order_release);
}

void* module_handle() {
  return g_module_handle;
}

void set_module_handle(void* handle) {
  g_module_handle = handle;
}

const char* library_path() {
  return library_path_storage().c_str();
}

const char* library_name() {
  return library_name_storage().c_str();
}

void set_library_path(const char* path, const char* name) {
  library_path_storage() = path != nullptr ? path : "";
  library_name_storage() = name != nullptr ? name : "";
}

}  // namespace core_api

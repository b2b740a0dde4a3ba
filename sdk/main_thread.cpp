#include "sdk/main_thread.h"

#include <utility>

#include "sdk/core_api.h"

namespace {

class FunctionCallback : public main_thread_callback {
 public:
  explicit FunctionCallback(std::function<void()> task) : task_(std::move(task)) {}
  void callback_run() override { task_(); }

 protected:
  ~FunctionCallback() = default;

 private:
  std::function<void()> task_;
};

}  // namespace

void run_in_main_thread(std::function<void()> task) {
  const service_ptr_t<main_thread_callback> callback =
      service_new<FunctionCallback>(std::move(task));
  standard_api_create_t<main_thread_callback_manager>()->add_callback(callback);
}

#include "sdk/play_callback.h"

#include "sdk/core_api.h"

play_callback_impl_base::play_callback_impl_base(unsigned flags) {
  standard_api_create_t<play_callback_manager>()->register_callback(this, flags, false);
}

play_callback_impl_base::~play_callback_impl_base() {
  standard_api_create_t<play_callback_manager>()->unregister_callback(this);
}

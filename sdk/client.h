// The component's side of the library boundary: the exported entry and the client interface
// it returns, through which the player lists the component's services and hands its stored
// configuration in and out. The slots are the player's own, in its order (no service base).
#pragma once

#include <cstdint>

#include "sdk/core_api.h"
#include "sdk/service_factory.h"
#include "sdk/stream.h"

class foobar2000_client {
 public:
  // The client interface version this component speaks: 32-bit players from 1.5 on and 64-bit
  // players (2.0 on) accept it.
  static constexpr std::uint32_t kVersion = 80;

  virtual std::uint32_t get_version() = 0;
  // The head of the component's service list.
  virtual service_factory_base* get_service_list() = 0;
  // Writes the records of all the component's configuration variables.
  virtual void get_config(stream_writer* stream, abort_callback& abort) = 0;
  // Reads stored records into the component's configuration variables.
  virtual void set_config(stream_reader* stream, abort_callback& abort) = 0;
  // `path`: the full path of the component file; `name`: its file name as the player knows it.
  virtual void set_library_path(const char* path, const char* name) = 0;
  // Whether the player's services may be used from now on.
  virtual void services_init(bool available) = 0;
  virtual bool is_debug() = 0;

 protected:
  foobar2000_client() = default;
  ~foobar2000_client() = default;
};

// The exported entry, as the player finds it in the component library (cdecl, undecorated).
// `module_handle` is the library's own module handle (HINSTANCE on Windows). May be called
// more than once; always returns the same client.
extern "C" foobar2000_client* foobar2000_get_interface(foobar2000_api* api, void* module_handle);

using foobar2000_get_interface_t = foobar2000_client* (*)(foobar2000_api*, void*);

// The exported entry's name.
inline constexpr const char* kEntryPointName = "foobar2000_get_interface";

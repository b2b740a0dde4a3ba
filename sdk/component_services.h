// The host interfaces that a component implements to present itself and to start and stop
// with the player.
#pragma once

#include "sdk/service.h"
#include "sdk/service_factory.h"
#include "sdk/string_base.h"

// Name, version and description of the component, as the player lists it.
class componentversion : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x16bce16b, 0xf679, 0x4ec3, {0x9b, 0xb3, 0x0e, 0x98, 0x3a, 0x0f, 0x85, 0x7a}};
  using service_parent = service_base;

  virtual void get_file_name(string_base& out) = 0;
  virtual void get_component_name(string_base& out) = 0;
  virtual void get_component_version(string_base& out) = 0;
  virtual void get_about_message(string_base& out) = 0;

 protected:
  ~componentversion() = default;
};

// Lets the player warn the user about a component installed under a wrong file name.
class component_installation_validator : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xceeeb285, 0x9989, 0x4a75, {0x88, 0xd4, 0x2e, 0xbc, 0xd6, 0x8b, 0x0f, 0xd0}};
  using service_parent = service_base;

  virtual bool is_installed_correctly() = 0;

 protected:
  ~component_installation_validator() = default;
};

// Start and stop: the player calls on_init once its services and the stored configuration are
// in place, and on_quit before it unloads the component. Main thread.
class initquit : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xb2df9d1f, 0xed9c, 0x4e67, {0x91, 0x24, 0x6a, 0x1d, 0x34, 0xa2, 0x24, 0xf8}};
  using service_parent = service_base;

  virtual void on_init() {}
  virtual void on_quit() {}

 protected:
  ~initquit() = default;
};

template <class T>
using initquit_factory_t = service_factory_single_t<T>;

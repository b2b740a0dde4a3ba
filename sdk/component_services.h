// The player's interfaces that a component implements to present itself and to start and stop
// with the player. Each is an entry point: the player lists their implementations.
#pragma once

#include "sdk/service.h"
#include "sdk/service_factory.h"
#include "sdk/string_base.h"

// Name, version and description of the component, as the player lists it.
class componentversion : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x10bb3ebd, 0xddf7, 0x4975, {0xa3, 0xcc, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3e}};
  using service_parent = service_base;

  virtual void get_file_name(pfc::string_base& out) = 0;
  virtual void get_component_name(pfc::string_base& out) = 0;
  virtual void get_component_version(pfc::string_base& out) = 0;
  virtual void get_about_message(pfc::string_base& out) = 0;

 protected:
  ~componentversion() = default;
};

// Lets the player warn the user about a component installed under a wrong file name.
class component_installation_validator : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x0639283e, 0x3004, 0x4e5c, {0xb1, 0xb3, 0x6d, 0xff, 0x08, 0xa7, 0x92, 0x84}};
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
      0x113773c4, 0xb387, 0x4b48, {0x8b, 0xdf, 0xab, 0x58, 0xbc, 0x6c, 0xe5, 0x38}};
  using service_parent = service_base;

  virtual void on_init() {}
  virtual void on_quit() {}

 protected:
  ~initquit() = default;
};

template <class T>
using initquit_factory_t = service_factory_single_t<T>;

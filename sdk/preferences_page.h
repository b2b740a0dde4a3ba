// Preferences pages: how a component adds a page to the player's preferences tree.
//
// The host finds preferences_page_v3 services among the component's, lists each under its
// parent, and when the user opens it asks for an instance: a dialog window that the host places
// in its preferences window, with the page state, apply and reset behind the host's own
// buttons. Main thread only.
#pragma once

#include <cstdint>

#include "sdk/service.h"
#include "sdk/service_factory.h"
#include "sdk/string_base.h"

// Handed to a page instance by the host: the instance tells it when its state changed, and the
// host then asks page_state again (to enable or disable its Apply button).
class preferences_page_callback : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x0a4006b3, 0xaaf2, 0x46cc, {0x89, 0x1d, 0xef, 0xe8, 0x2a, 0x4a, 0x89, 0x3f}};
  using service_parent = service_base;

  virtual void on_state_changed() = 0;

 protected:
  ~preferences_page_callback() = default;
};

// One open page: the dialog window and its state.
class preferences_page_instance : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x1b6ec35b, 0xfb8d, 0x48dd, {0x8f, 0x4a, 0x97, 0xd0, 0xe9, 0x67, 0x97, 0x19}};
  using service_parent = service_base;

  // Flags of page_state.
  enum : std::uint32_t { state_changed = 1, state_resettable = 8 };

  virtual std::uint32_t page_state() = 0;
  // The dialog window (HWND on Windows; see sdk/headless_window.h elsewhere).
  virtual void* window() = 0;
  virtual void apply() = 0;
  virtual void reset() = 0;

 protected:
  ~preferences_page_instance() = default;
};

// The first generation of the page interface. Its window operations are obsolete: hosts use
// preferences_page_v3::create_instance.
class preferences_page : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x6c129fdb, 0x7ae7, 0x46cc, {0xb3, 0x6d, 0xc3, 0x02, 0xc0, 0xf5, 0x95, 0x8e}};
  using service_parent = service_base;

  // Obsolete: a page window without an instance. Gives null: not implemented.
  virtual void* create_obsolete(void* parent) = 0;
  virtual const char* page_name() = 0;
  virtual GUID page_guid() = 0;
  virtual GUID parent_guid() = 0;
  // Obsolete reset query and reset.
  virtual bool reset_query() = 0;
  virtual void reset_obsolete() = 0;
  // A web page about the page's settings; false when there is none.
  virtual bool help_url(string_base& out) = 0;
  virtual double sort_priority() = 0;

 protected:
  ~preferences_page() = default;
};

class preferences_page_v3 : public preferences_page {
 public:
  static constexpr GUID class_guid = {
      0x130b80c0, 0xdf67, 0x4844, {0xbf, 0xf8, 0xef, 0xab, 0x16, 0xa3, 0xa0, 0x7c}};
  using service_parent = preferences_page;

  // Creates the page's dialog as a child of `parent`. Gives null, with the system's error code
  // in `error`, when the window cannot be created.
  virtual service_ptr_t<preferences_page_instance> create_instance(
      void* parent, const service_ptr_t<preferences_page_callback>& callback,
      std::uint32_t& error) = 0;

 protected:
  ~preferences_page_v3() = default;
};

template <class T>
using preferences_page_factory_t = service_factory_single_t<T>;

// Preferences pages: how a component adds a page to the player's preferences tree.
//
// The player lists preferences_page services, asks each for preferences_page_v3 through
// service_query, lists the page under its parent, and when the user opens it asks for an
// instance: a dialog window that the player places in its preferences window, with the page
// state, apply and reset behind the player's own buttons. Main thread only.
#pragma once

#include <cstdint>

#include "sdk/abi.h"
#include "sdk/service.h"
#include "sdk/service_factory.h"
#include "sdk/string_base.h"

// Handed to a page instance by the player: the instance tells it when its state changed, and
// the player then asks get_state again (to enable or disable its Apply button).
class preferences_page_callback : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x3d26e08e, 0x861c, 0x4599, {0x9c, 0x89, 0xaa, 0xa7, 0x19, 0xaf, 0x50, 0x70}};
  using service_parent = service_base;

  virtual void on_state_changed() = 0;

 protected:
  ~preferences_page_callback() = default;
};

// One open page: the dialog window and its state.
class preferences_page_instance : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x6893a996, 0xa816, 0x49fe, {0x82, 0xce, 0x0c, 0xb8, 0x04, 0xa4, 0xcf, 0xec}};
  using service_parent = service_base;

  // Flags of get_state.
  enum : std::uint32_t { state_changed = 1, state_resettable = 8 };

  virtual std::uint32_t get_state() = 0;
  // The dialog window (HWND on Windows; see sdk/headless_window.h elsewhere).
  virtual window_handle get_wnd() = 0;
  virtual void apply() = 0;
  virtual void reset() = 0;

 protected:
  ~preferences_page_instance() = default;
};

// The first generation of the page interface, and the entry point pages are listed under.
class preferences_page : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x7255e8d0, 0x3fcf, 0x4781, {0xb9, 0x3b, 0xd0, 0x6c, 0xb8, 0x8d, 0xfa, 0xfa}};
  using service_parent = service_base;

  // Obsolete: a page window without an instance.
  virtual window_handle create(window_handle parent) = 0;
  virtual const char* get_name() = 0;
  virtual GUID* get_guid(GUID* result) = 0;
  // The page or branch of the tree the page is listed under.
  virtual GUID* get_parent_guid(GUID* result) = 0;
  // Obsolete reset query and reset.
  virtual bool reset_query() = 0;
  virtual void reset() = 0;
  // A web page about the page's settings; false when there is none.
  virtual bool get_help_url(pfc::string_base& out) = 0;

 protected:
  ~preferences_page() = default;
};

class preferences_page_v2 : public preferences_page {
 public:
  static constexpr GUID class_guid = {
      0xce4ebc9e, 0xab20, 0x46f9, {0x92, 0x5f, 0x88, 0x3b, 0x08, 0x4f, 0x05, 0x69}};
  using service_parent = preferences_page;

  virtual double get_sort_priority() = 0;

 protected:
  ~preferences_page_v2() = default;
};

class preferences_page_v3 : public preferences_page_v2 {
 public:
  static constexpr GUID class_guid = {
      0xd6d0f741, 0x9f17, 0x4df8, {0x9d, 0x5c, 0x87, 0xf2, 0x8b, 0x1f, 0x0e, 0x64}};
  using service_parent = preferences_page_v2;

  // Creates the page's dialog as a child of `parent`, and stores in `result` (storage the
  // caller gives, not yet holding anything) the one reference to the new instance.
  virtual preferences_page_instance** instantiate(
      preferences_page_instance** result, window_handle parent,
      service_arg<preferences_page_callback> callback) = 0;

 protected:
  ~preferences_page_v3() = default;
};

// A preferences_page_v3 built from a few plain functions: it implements every slot, stopping
// whatever is thrown (sdk/boundary.h), and answers the obsolete ones as a modern page does
// (no window, nothing to reset).
class preferences_page_impl : public preferences_page_v3 {
 public:
  window_handle create(window_handle parent) final;
  const char* get_name() final;
  GUID* get_guid(GUID* result) final;
  GUID* get_parent_guid(GUID* result) final;
  bool reset_query() final { return false; }
  void reset() final {}
  bool get_help_url(pfc::string_base& out) final;
  double get_sort_priority() final;
  preferences_page_instance** instantiate(preferences_page_instance** result, window_handle parent,
                                          service_arg<preferences_page_callback> callback) final;

 protected:
  preferences_page_impl() = default;
  ~preferences_page_impl() = default;

  // The name shown in the tree, a static string.
  virtual const char* page_name() = 0;
  virtual GUID page_guid() = 0;
  virtual GUID parent_guid() = 0;
  // Stores a help address in `out`; false (the default) when there is none.
  virtual bool help_url(pfc::string_base& /*out*/) { return false; }
  virtual double sort_priority() { return 0.0; }
  // The new instance, never null: a page whose dialog cannot be made shows why instead.
  virtual service_ptr_t<preferences_page_instance> create_instance(
      window_handle parent, service_ptr_t<preferences_page_callback> callback) = 0;
};

template <class T>
using preferences_page_factory_t = service_factory_single_t<T>;

// The player's binary interface as this host speaks it: every interface the component and the
// player exchange, declared from the player's SDK with the virtual functions in the SDK's
// declaration order and with the SDK's argument and return types. The host is compiled by clang
// for the player's own (MSVC) ABI, so clang, not these declarations, decides what the player's
// compiler decides: vtable slots (overloads grouped), class results through a hidden pointer
// after `this`, class arguments by value destroyed by the callee, thiscall on x86. The numbers
// in the comments are the slots that result; they are there for the failure messages.
//
// Nothing here comes from the component's own sdk/: a fault there cannot hide in a shared
// declaration.
#pragma once

#include <stddef.h>  // NOLINT(modernize-deprecated-headers): no C++ library here
#include <stdint.h>  // NOLINT(modernize-deprecated-headers)

#include "win32.h"

namespace player {

struct GUID {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

inline bool operator==(const GUID& a, const GUID& b) {
  return memcmp(&a, &b, sizeof(GUID)) == 0;
}

template <class T>
class service_ptr_t;

// The root of every service: reference counting and interface lookup.
class service_base {
 public:
  virtual int service_release() noexcept = 0;                                          // 0
  virtual int service_add_ref() noexcept = 0;                                          // 1
  virtual bool service_query(service_ptr_t<service_base>& out, const GUID& guid) = 0;  // 2

  service_base(const service_base&) = delete;
  service_base& operator=(const service_base&) = delete;

 protected:
  service_base() = default;
  ~service_base() = default;
};

// One reference to a service. Its copy constructor and destructor are not trivial, as in the
// player's SDK: that is what makes the player's compiler pass it by value in memory, to be
// destroyed by the callee, and return it through a hidden pointer.
template <class T>
class service_ptr_t {
 public:
  service_ptr_t() = default;
  explicit service_ptr_t(T* object) : object_(object) {
    if (object_ != nullptr) {
      object_->service_add_ref();
    }
  }
  service_ptr_t(const service_ptr_t& other) : service_ptr_t(other.object_) {}
  service_ptr_t(service_ptr_t&& other) noexcept : object_(other.object_) {
    other.object_ = nullptr;
  }
  service_ptr_t& operator=(service_ptr_t other) noexcept {
    T* object = object_;
    object_ = other.object_;
    other.object_ = object;
    return *this;
  }
  ~service_ptr_t() { release(); }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  void release() {
    if (object_ != nullptr) {
      T* object = object_;
      object_ = nullptr;
      object->service_release();
    }
  }

 private:
  T* object_ = nullptr;
};

// pfc's string interfaces, through which the component hands text to the player.
class string_receiver {
 public:
  virtual void add_string(const char* text, size_t size = SIZE_MAX) = 0;  // 0

 protected:
  string_receiver() = default;
  ~string_receiver() = default;
};

class string_base : public string_receiver {
 public:
  virtual const char* get_ptr() const = 0;                                 // 1
  void add_string(const char* text, size_t size = SIZE_MAX) override = 0;  // 0, the base's slot
  virtual void set_string(const char* text, size_t size = SIZE_MAX) = 0;   // 2
  virtual void truncate(size_t size) = 0;                                  // 3
  virtual size_t get_length() const = 0;                                   // 4
  virtual char* lock_buffer(size_t size) = 0;                              // 5
  virtual void unlock_buffer() = 0;                                        // 6

 protected:
  string_base() = default;
  ~string_base() = default;
};

class bit_array {
 public:
  virtual bool get(size_t index) const = 0;                                  // 0
  virtual size_t find(bool value, size_t start, ptrdiff_t count) const = 0;  // 1

 protected:
  ~bit_array() = default;
};

// The player's cancellation of long operations; on Windows the event is a HANDLE.
class abort_callback {
 public:
  virtual bool is_aborting() const = 0;        // 0
  virtual HANDLE get_abort_event() const = 0;  // 1

 protected:
  ~abort_callback() = default;
};

class stream_reader {
 public:
  virtual size_t read(void* buffer, size_t size, abort_callback& abort) = 0;       // 0
  virtual void read_object(void* buffer, size_t size, abort_callback& abort) = 0;  // 1
  virtual uint64_t skip(uint64_t size, abort_callback& abort) = 0;                 // 2
  virtual void skip_object(uint64_t size, abort_callback& abort) = 0;              // 3

 protected:
  ~stream_reader() = default;
};

class stream_writer {
 public:
  virtual void write(const void* buffer, size_t size, abort_callback& abort) = 0;  // 0

 protected:
  ~stream_writer() = default;
};

struct replaygain_info {
  float album_gain;
  float track_gain;
  float album_peak;
  float track_peak;
};

// A track's tags (meta) and technical information (info). Not a service.
class file_info {
 public:
  virtual double get_length() const = 0;                                      // 0
  virtual void set_length(double length) = 0;                                 // 1
  virtual void set_replaygain(const replaygain_info& info) = 0;               // 2
  virtual replaygain_info get_replaygain() const = 0;                         // 3
  virtual size_t meta_get_count() const = 0;                                  // 4
  virtual const char* meta_enum_name(size_t index) const = 0;                 // 5
  virtual size_t meta_enum_value_count(size_t index) const = 0;               // 6
  virtual const char* meta_enum_value(size_t index, size_t value) const = 0;  // 7
  virtual size_t meta_find_ex(const char* name, size_t name_size) const = 0;  // 8
  virtual size_t meta_set_ex(const char* name, size_t name_size, const char* value,
                             size_t value_size) = 0;  // 9
  virtual void meta_insert_value_ex(size_t index, size_t value_index, const char* value,
                                    size_t value_size) = 0;                  // 10
  virtual void meta_remove_mask(const bit_array& mask) = 0;                  // 11
  virtual void meta_reorder(const size_t* order) = 0;                        // 12
  virtual void meta_remove_values(size_t index, const bit_array& mask) = 0;  // 13
  virtual void meta_modify_value_ex(size_t index, size_t value_index, const char* value,
                                    size_t value_size) = 0;     // 14
  virtual size_t info_get_count() const = 0;                    // 15
  virtual const char* info_enum_name(size_t index) const = 0;   // 16
  virtual const char* info_enum_value(size_t index) const = 0;  // 17
  virtual size_t info_set_ex(const char* name, size_t name_size, const char* value,
                             size_t value_size) = 0;                          // 18
  virtual void info_remove_mask(const bit_array& mask) = 0;                   // 19
  virtual size_t info_find_ex(const char* name, size_t name_size) const = 0;  // 20
  virtual void copy(const file_info& source) = 0;                             // 21
  virtual void copy_meta(const file_info& source) = 0;                        // 22
  virtual void copy_info(const file_info& source) = 0;                        // 23

 protected:
  file_info() = default;
  ~file_info() = default;
  virtual size_t meta_set_nocheck_ex(const char* name, size_t name_size, const char* value,
                                     size_t value_size) = 0;  // 24
  virtual size_t info_set_nocheck_ex(const char* name, size_t name_size, const char* value,
                                     size_t value_size) = 0;  // 25
};

struct filestats {  // t_filestats
  uint64_t size;
  uint64_t timestamp;
};

class metadb_info_container : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xd1fdcc01, 0x1e84, 0x48e6, {0xbf, 0x5f, 0x37, 0x74, 0xd1, 0xcd, 0xc0, 0x0e}};
  using ptr = service_ptr_t<metadb_info_container>;

  virtual const file_info& info() = 0;   // 3
  virtual const filestats& stats() = 0;  // 4
  virtual bool isInfoPartial() = 0;      // 5
};

class playable_location;
class titleformat_hook;
class titleformat_text_filter;
class titleformat_object;

// A track as the player knows it. The overloads of get_info_ref and get_async_info_ref are
// declared as in the SDK; MSVC groups each pair at the first one's place, the later-declared
// form first, which clang reproduces (slots 19 to 22).
class metadb_handle : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x160885c6, 0x3aa3, 0x4f60, {0x87, 0x18, 0x12, 0x40, 0x61, 0x5e, 0x64, 0x14}};
  using ptr = service_ptr_t<metadb_handle>;
  using titleformat = service_ptr_t<titleformat_object>;

  virtual const playable_location& get_location() const = 0;  // 3
  virtual bool format_title(titleformat_hook* hook, string_base& out, const titleformat& script,
                            titleformat_text_filter* filter) = 0;        // 4
  virtual void metadb_lock() = 0;                                        // 5
  virtual void metadb_unlock() = 0;                                      // 6
  virtual filestats get_filestats() const = 0;                           // 7
  virtual bool is_info_loaded() const = 0;                               // 8
  virtual bool get_info(file_info& info) const = 0;                      // 9
  virtual bool get_info_locked(const file_info*& info) const = 0;        // 10
  virtual bool is_info_loaded_async() const = 0;                         // 11
  virtual bool get_info_async(file_info& info) const = 0;                // 12
  virtual bool get_info_async_locked(const file_info*& info) const = 0;  // 13
  virtual void format_title_from_external_info(const file_info& info, titleformat_hook* hook,
                                               string_base& out, const titleformat& script,
                                               titleformat_text_filter* filter) = 0;  // 14
  virtual bool format_title_nonlocking(titleformat_hook* hook, string_base& out,
                                       const titleformat& script,
                                       titleformat_text_filter* filter) = 0;  // 15
  virtual void format_title_from_external_info_nonlocking(
      const file_info& info, titleformat_hook* hook, string_base& out, const titleformat& script,
      titleformat_text_filter* filter) = 0;                                      // 16
  virtual bool get_browse_info(file_info& info, uint64_t& timestamp) const = 0;  // 17
  virtual bool get_browse_info_locked(const file_info*& info,
                                      uint64_t& timestamp) const = 0;          // 18
  virtual bool get_info_ref(metadb_info_container::ptr& out) const = 0;        // 20
  virtual bool get_async_info_ref(metadb_info_container::ptr& out) const = 0;  // 22
  virtual void get_browse_info_ref(metadb_info_container::ptr& info,
                                   metadb_info_container::ptr& browse) const = 0;  // 23
  virtual metadb_info_container::ptr get_info_ref() const = 0;                     // 19
  virtual metadb_info_container::ptr get_async_info_ref() const = 0;               // 21
};

// Playback events, delivered on the main thread to callbacks registered with the manager.
class play_callback {
 public:
  enum stop_reason { stop_reason_user = 0, stop_reason_eof, stop_reason_starting_another };
  enum track_command { track_command_default = 0, track_command_play };
  enum : unsigned {
    flag_starting = 1U << 0U,
    flag_new_track = 1U << 1U,
    flag_stop = 1U << 2U,
    flag_seek = 1U << 3U,
    flag_pause = 1U << 4U,
    flag_edited = 1U << 5U,
    flag_dynamic_info = 1U << 6U,
    flag_dynamic_info_track = 1U << 7U,
    flag_time = 1U << 8U,
    flag_volume_change = 1U << 9U,
  };

  virtual void on_playback_starting(track_command command, bool paused) = 0;  // 0
  virtual void on_playback_new_track(metadb_handle::ptr track) = 0;           // 1
  virtual void on_playback_stop(stop_reason reason) = 0;                      // 2
  virtual void on_playback_seek(double time) = 0;                             // 3
  virtual void on_playback_pause(bool paused) = 0;                            // 4
  virtual void on_playback_edited(metadb_handle::ptr track) = 0;              // 5
  virtual void on_playback_dynamic_info(const file_info& info) = 0;           // 6
  virtual void on_playback_dynamic_info_track(const file_info& info) = 0;     // 7
  virtual void on_playback_time(double time) = 0;                             // 8
  virtual void on_volume_change(float volume) = 0;                            // 9

 protected:
  ~play_callback() = default;
};

class play_callback_manager : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x78bcbfa1, 0xdfb9, 0x487f, {0xab, 0x16, 0xcd, 0x82, 0xbf, 0x90, 0xcc, 0xf7}};

  virtual void register_callback(play_callback* callback, unsigned flags,
                                 bool forward_status) = 0;        // 3
  virtual void unregister_callback(play_callback* callback) = 0;  // 4
};

class main_thread_callback : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x87d2c583, 0x7afb, 0x4e58, {0xb2, 0x1e, 0xfb, 0xd3, 0xe6, 0xe8, 0xf5, 0xe7}};
  using ptr = service_ptr_t<main_thread_callback>;

  virtual void callback_run() = 0;  // 3
};

class main_thread_callback_manager : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x1131d64b, 0x04cb, 0x43ee, {0x95, 0xeb, 0x24, 0xd1, 0x8b, 0x75, 0x32, 0x48}};

  // By value: the callee (this host) owns the reference it is given.
  virtual void add_callback(main_thread_callback::ptr callback) = 0;  // 3
};

class console_receiver : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x90df5270, 0x65bb, 0x4dba, {0xba, 0xf5, 0x86, 0xbe, 0x9e, 0x59, 0xdc, 0x20}};

  virtual void print(const char* text, size_t size) = 0;  // 3
};

class popup_message : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xd5cac75a, 0x3023, 0x4dce, {0x8b, 0x0d, 0xb5, 0x02, 0xbd, 0x05, 0x6a, 0x7c}};
  enum icon { icon_information = 0, icon_error, icon_query };

  virtual void show_ex(const char* text, size_t text_size, const char* title, size_t title_size,
                       icon kind) = 0;  // 3
};

class componentversion : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x10bb3ebd, 0xddf7, 0x4975, {0xa3, 0xcc, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3e}};

  virtual void get_file_name(string_base& out) = 0;          // 3
  virtual void get_component_name(string_base& out) = 0;     // 4
  virtual void get_component_version(string_base& out) = 0;  // 5
  virtual void get_about_message(string_base& out) = 0;      // 6
};

class component_installation_validator : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x0639283e, 0x3004, 0x4e5c, {0xb1, 0xb3, 0x6d, 0xff, 0x08, 0xa7, 0x92, 0x84}};

  virtual bool is_installed_correctly() = 0;  // 3
};

class initquit : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x113773c4, 0xb387, 0x4b48, {0x8b, 0xdf, 0xab, 0x58, 0xbc, 0x6c, 0xe5, 0x38}};

  virtual void on_init() = 0;  // 3
  virtual void on_quit() = 0;  // 4
};

class preferences_page_callback : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x3d26e08e, 0x861c, 0x4599, {0x9c, 0x89, 0xaa, 0xa7, 0x19, 0xaf, 0x50, 0x70}};
  using ptr = service_ptr_t<preferences_page_callback>;

  virtual void on_state_changed() = 0;  // 3
};

class preferences_page_instance : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x6893a996, 0xa816, 0x49fe, {0x82, 0xce, 0x0c, 0xb8, 0x04, 0xa4, 0xcf, 0xec}};
  using ptr = service_ptr_t<preferences_page_instance>;
  enum : uint32_t { state_changed = 1, state_resettable = 8 };

  virtual uint32_t get_state() = 0;  // 3
  virtual HWND get_wnd() = 0;        // 4
  virtual void apply() = 0;          // 5
  virtual void reset() = 0;          // 6
};

// The page as the player lists it; the factory registers under this interface's GUID and the
// player reaches the later versions through service_query.
class preferences_page : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x7255e8d0, 0x3fcf, 0x4781, {0xb9, 0x3b, 0xd0, 0x6c, 0xb8, 0x8d, 0xfa, 0xfa}};
  // The "Tools" branch.
  static constexpr GUID guid_tools = {
      0x627c0767, 0x0793, 0x44f8, {0x80, 0x87, 0xbe, 0x49, 0x34, 0x31, 0x12, 0x82}};

  virtual HWND create(HWND parent) = 0;             // 3, obsolete
  virtual const char* get_name() = 0;               // 4
  virtual GUID get_guid() = 0;                      // 5
  virtual GUID get_parent_guid() = 0;               // 6
  virtual bool reset_query() = 0;                   // 7, obsolete
  virtual void reset() = 0;                         // 8, obsolete
  virtual bool get_help_url(string_base& out) = 0;  // 9
};

class preferences_page_v2 : public preferences_page {
 public:
  static constexpr GUID class_guid = {
      0xce4ebc9e, 0xab20, 0x46f9, {0x92, 0x5f, 0x88, 0x3b, 0x08, 0x4f, 0x05, 0x69}};

  virtual double get_sort_priority() = 0;  // 10
};

class preferences_page_v3 : public preferences_page_v2 {
 public:
  static constexpr GUID class_guid = {
      0xd6d0f741, 0x9f17, 0x4df8, {0x9d, 0x5c, 0x87, 0xf2, 0x8b, 0x1f, 0x0e, 0x64}};

  virtual preferences_page_instance::ptr instantiate(
      HWND parent, preferences_page_callback::ptr callback) = 0;  // 11
};

// A component's service factory, as the player reads it: the host walks the list through the
// two fields after the vtable pointer and calls the one slot.
class service_factory {
 public:
  virtual void instance_create(service_ptr_t<service_base>& out) = 0;  // 0

 protected:
  ~service_factory() = default;
};
struct service_factory_fields {
  void* vtable;
  service_factory* next;
  const GUID* class_guid;
};

using service_class_ref = const void*;

// The player, as the component sees it through the pointer handed to the entry.
class foobar2000_api {
 public:
  virtual service_class_ref service_enum_find_class(const GUID& guid) = 0;  // 0
  virtual bool service_enum_create(service_ptr_t<service_base>& out, service_class_ref service,
                                   size_t index) = 0;                    // 1
  virtual size_t service_enum_get_count(service_class_ref service) = 0;  // 2
  virtual HWND get_main_window() = 0;                                    // 3
  virtual bool assert_main_thread() = 0;                                 // 4
  virtual bool is_main_thread() = 0;                                     // 5
  virtual bool is_shutting_down() = 0;                                   // 6
  virtual const char* get_profile_path() = 0;                            // 7
  virtual bool is_initializing() = 0;                                    // 8
  virtual bool is_portable_mode_enabled() = 0;                           // 9
  virtual bool is_quiet_mode_enabled() = 0;                              // 10

 protected:
  ~foobar2000_api() = default;
};

// The component, as the player sees it through the pointer the entry returns.
class foobar2000_client {
 public:
  static constexpr uint32_t kVersion = 80;

  virtual uint32_t get_version() = 0;                                         // 0
  virtual service_factory* get_service_list() = 0;                            // 1
  virtual void get_config(stream_writer* stream, abort_callback& abort) = 0;  // 2
  virtual void set_config(stream_reader* stream, abort_callback& abort) = 0;  // 3
  virtual void set_library_path(const char* path, const char* name) = 0;      // 4
  virtual void services_init(bool available) = 0;                             // 5
  virtual bool is_debug() = 0;                                                // 6

 protected:
  ~foobar2000_client() = default;
};

// The exported entry: cdecl, undecorated.
using get_interface_function = foobar2000_client*(__cdecl*)(foobar2000_api* api, HMODULE instance);

}  // namespace player

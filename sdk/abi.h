// The shapes that boundary slots take so that GCC calls and is called exactly as the player's
// compiler (MSVC) would, where the two compilers disagree.
//
// - A class returned by value from a virtual function: MSVC passes a hidden pointer to the
//   result's storage right after `this` and returns that pointer. Such slots are declared with
//   that pointer written out (`GUID* get_guid(GUID* result)`).
// - A service pointer passed by value (a service_ptr_t argument): MSVC hands the callee the
//   reference to own, as the raw pointer on x86 and as the address of a temporary that holds it
//   on x64; GCC would pass the holder's address and release it in the caller. Such slots take a
//   service_arg, and both sides balance the reference by hand.
// - Overloaded virtual functions: MSVC groups them at the place of the first one, the later
//   declared first. Such slots are written out in that order under distinct names.
// - No boundary interface has a virtual destructor: MSVC gives it one slot, GCC two.
// - Nothing thrown crosses the boundary (sdk/boundary.h).
#pragma once

#include <type_traits>

#include "sdk/service.h"

// A service pointer passed by value across the boundary: the callee owns the one reference it
// carries. Trivially copyable, the size of a pointer, so GCC passes it in the same place MSVC
// passes its by-value holder.
template <class T>
class service_arg {
 public:
  // MSVC passes a holder of a non-trivial class by address on x64 and in place on x86.
  static constexpr bool kByAddress = sizeof(void*) == 8;
  using Slot = std::conditional_t<kByAddress, T* const*, T*>;

  explicit service_arg(Slot slot) : slot_(slot) {}

  // The callee's side: takes over the reference the argument carries (null stays null).
  service_ptr_t<T> adopt() const { return service_ptr_t<T>::adopt(object()); }

  // The object, without touching its reference count.
  T* object() const {
    if constexpr (kByAddress) {
      return *slot_;
    } else {
      return slot_;
    }
  }

 private:
  Slot slot_;
};

// The caller's side of a service_arg: holds the reference that the callee will adopt, and on
// x64 the storage that the argument points at. Use it as a temporary in the call's own
// expression (`manager->add_callback(service_arg_source(callback))`), so that it outlives the
// call. A source that was never passed releases its reference.
template <class T>
class service_arg_source {
 public:
  explicit service_arg_source(service_ptr_t<T> object) : object_(object.detach()) {}
  ~service_arg_source() {
    if (!passed_) {
      service_ptr_t<T>::adopt(object_).release();
    }
  }
  service_arg_source(const service_arg_source&) = delete;
  service_arg_source& operator=(const service_arg_source&) = delete;

  operator service_arg<T>() {  // NOLINT(google-explicit-constructor)
    passed_ = true;
    if constexpr (service_arg<T>::kByAddress) {
      return service_arg<T>(&object_);
    } else {
      return service_arg<T>(object_);
    }
  }

 private:
  T* object_;
  bool passed_ = false;
};

template <class T>
service_arg_source(service_ptr_t<T>) -> service_arg_source<T>;

// A window handle (HWND on Windows); the player's own windows and the page's.
using window_handle = void*;

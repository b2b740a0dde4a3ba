// Services: the reference-counted objects through which the component and the player talk.
//
// Every interface the player offers and every interface the component implements for it derives
// from service_base, whose three virtual functions take the first three slots of every
// service's vtable. An interface names itself with a static `class_guid` and its parent
// interface with `service_parent`; service_query walks that chain. The interfaces of sdk/ are
// laid out as the player's compiler lays out its own; where GCC and that compiler disagree, the
// boundary slots take the shapes of sdk/abi.h.
//
// service_ptr_t holds one reference. service_impl_t<T> is a heap object that deletes itself when
// the last reference goes; service_impl_single_t<T> is a static or member object whose reference
// counting does nothing. Reference counts are atomic, so references may be taken and dropped on
// any thread; everything else about a service is the interface's own contract.
#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "sdk/guid.h"

template <class T>
class service_ptr_t;

class service_base {
 public:
  // Drops one reference; returns the count left (0 when the object is gone).
  virtual int service_release() noexcept = 0;
  // Takes one more reference; returns the new count.
  virtual int service_add_ref() noexcept = 0;
  // Stores in `out` this object as the interface named `guid`, if it implements it.
  virtual bool service_query(service_ptr_t<service_base>& out, const GUID& guid) = 0;

  service_base(const service_base&) = delete;
  service_base& operator=(const service_base&) = delete;

 protected:
  service_base() = default;
  ~service_base() = default;
};

// One counted reference to a service. Laid out as a single pointer, as the player's own
// reference holder is, so that the player can fill one through a reference (service_query,
// service enumeration, out parameters).
template <class T>
class service_ptr_t {
 public:
  service_ptr_t() = default;
  service_ptr_t(std::nullptr_t) {}  // NOLINT(google-explicit-constructor)
  // Takes a new reference on `object`.
  explicit service_ptr_t(T* object) : object_(object) {
    if (object_ != nullptr) {
      object_->service_add_ref();
    }
  }
  service_ptr_t(const service_ptr_t& other) : service_ptr_t(other.object_) {}
  service_ptr_t(service_ptr_t&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  service_ptr_t(const service_ptr_t<U>& other)  // NOLINT(google-explicit-constructor)
      : service_ptr_t(other.get()) {}
  ~service_ptr_t() { release(); }

  service_ptr_t& operator=(service_ptr_t other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

  void release() {
    if (object_ != nullptr) {
      std::exchange(object_, nullptr)->service_release();
    }
  }

  // Gives up the reference without releasing it; the caller now owns it.
  [[nodiscard]] T* detach() { return std::exchange(object_, nullptr); }

  // Adopts an object whose reference the caller already holds.
  static service_ptr_t adopt(T* object) {
    service_ptr_t ptr;
    ptr.object_ = object;
    return ptr;
  }

 private:
  T* object_ = nullptr;
};

using service_ptr = service_ptr_t<service_base>;

static_assert(sizeof(service_ptr) == sizeof(void*));

namespace sdk_detail {

// Finds `guid` among the interfaces from I up to service_base.
template <class I>
bool query_interface_chain(I* self, const GUID& guid, service_ptr& out) {
  if constexpr (std::is_same_v<I, service_base>) {
    return false;
  } else {
    if (guid == I::class_guid) {
      out = service_ptr(static_cast<service_base*>(self));
      return true;
    }
    return query_interface_chain<typename I::service_parent>(self, guid, out);
  }
}

}  // namespace sdk_detail

// The interface under which the player lists services of interface I: the one at the top of
// I's chain, right below service_base (for every page interface, preferences_page).
template <class I, class Parent = typename I::service_parent>
struct service_entry_point : service_entry_point<Parent> {};
template <class I>
struct service_entry_point<I, service_base> {
  using type = I;
};
template <class I>
using service_entry_point_t = typename service_entry_point<I>::type;

// A heap-allocated service that deletes itself on its last release. Create with service_new.
template <class T>
class service_impl_t final : public T {
 public:
  template <class... Args>
  explicit service_impl_t(Args&&... args) : T(std::forward<Args>(args)...) {}

  int service_add_ref() noexcept override { return ++count_; }
  int service_release() noexcept override {
    const int left = --count_;
    if (left == 0) {
      delete this;
    }
    return left;
  }
  bool service_query(service_ptr& out, const GUID& guid) override {
    return sdk_detail::query_interface_chain<T>(this, guid, out);
  }

 private:
  std::atomic<int> count_{0};
};

// A service whose lifetime is its owner's (a static object, or a member of the host).
template <class T>
class service_impl_single_t final : public T {
 public:
  template <class... Args>
  explicit service_impl_single_t(Args&&... args) : T(std::forward<Args>(args)...) {}

  int service_add_ref() noexcept override { return 1; }
  int service_release() noexcept override { return 1; }
  bool service_query(service_ptr& out, const GUID& guid) override {
    return sdk_detail::query_interface_chain<T>(this, guid, out);
  }
};

// Creates a reference-counted service object and returns the first reference to it.
template <class T, class... Args>
service_ptr_t<T> service_new(Args&&... args) {
  return service_ptr_t<T>(new service_impl_t<T>(std::forward<Args>(args)...));
}

// Asks `object` for interface I: a reference to it as I, or null when it does not implement I.
template <class I, class T>
service_ptr_t<I> service_query_t(const service_ptr_t<T>& object) {
  service_ptr found;
  if (!object || !object->service_query(found, I::class_guid) || !found) {
    return nullptr;
  }
  // The object answered for I, so what it stored is an I seen as its service_base.
  return service_ptr_t<I>::adopt(static_cast<I*>(found.detach()));  // NOLINT(*-downcast)
}

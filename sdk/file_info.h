// file_info: a track's metadata (tags, several values per field) and its technical
// information (one value per entry name, e.g. what a stream reports while it plays).
//
// Field and entry names compare without regard to ASCII letter case, as tag names do in the
// player. Strings are UTF-8; returned pointers stay valid until the object is next changed.
// file_info_impl is the plain value implementation that either side may create and fill.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class file_info {
 public:
  // Number of values of metadata field `name` (0 when the field is absent).
  virtual std::size_t meta_get_count_by_name(const char* name) const = 0;
  // Value `index` of metadata field `name`, or null when there is no such value.
  virtual const char* meta_get(const char* name, std::size_t index) const = 0;
  // Value of the technical-information entry `name`, or null when there is none.
  virtual const char* info_get(const char* name) const = 0;

  // Appends a value to metadata field `name`.
  virtual void meta_add(const char* name, const char* value) = 0;
  // Sets technical-information entry `name`, replacing an earlier value.
  virtual void info_set(const char* name, const char* value) = 0;
  // Removes all metadata and technical information.
  virtual void reset() = 0;

  file_info(const file_info&) = delete;
  file_info& operator=(const file_info&) = delete;

 protected:
  file_info() = default;
  ~file_info() = default;
};

class file_info_impl final : public file_info {
 public:
  file_info_impl() = default;
  file_info_impl(const file_info_impl& other) : meta_(other.meta_), info_(other.info_) {}
  file_info_impl& operator=(const file_info_impl& other) {
    if (this != &other) {
      meta_ = other.meta_;
      info_ = other.info_;
    }
    return *this;
  }
  ~file_info_impl() = default;

  std::size_t meta_get_count_by_name(const char* name) const override;
  const char* meta_get(const char* name, std::size_t index) const override;
  const char* info_get(const char* name) const override;
  void meta_add(const char* name, const char* value) override;
  void info_set(const char* name, const char* value) override;
  void reset() override;

  // Removes metadata field `name` with all its values.
  void meta_remove(const char* name);

  // Replaces everything in `out` (which may be another implementation) with this object's
  // metadata and technical information.
  void copy_to(file_info& out) const;

 private:
  struct MetaField {
    std::string name;
    std::vector<std::string> values;
  };
  // Index of metadata field `name` in meta_, or meta_.size() when it is absent.
  std::size_t find_meta(const char* name) const;

  std::vector<MetaField> meta_;
  std::vector<std::pair<std::string, std::string>> info_;
};

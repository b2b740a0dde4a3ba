// Byte streams and the abort flag that goes with them: how the player hands the component its
// stored configuration and takes it back. The three interfaces are the player's own, in its
// slot order; they have no service base.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Tells a long operation that the user gave up on it.
class abort_callback {
 public:
  virtual bool is_aborting() const = 0;
  // An event object signalled on abort (a HANDLE on Windows), for waiting on.
  virtual void* get_abort_event() const = 0;

 protected:
  abort_callback() = default;
  ~abort_callback() = default;
};

// An abort flag that is never set.
class abort_callback_dummy final : public abort_callback {
 public:
  bool is_aborting() const override { return false; }
  void* get_abort_event() const override { return nullptr; }
};

class stream_reader {
 public:
  // Reads up to `size` bytes into `buffer` and returns how many were read; fewer than asked
  // only at the end of the stream.
  virtual std::size_t read(void* buffer, std::size_t size, abort_callback& abort) = 0;
  // The player's versions fail (by its own exceptions) when the stream ends early. The
  // component calls read only; these are here for their slots and for the stand-in hosts.
  virtual void read_object(void* buffer, std::size_t size, abort_callback& abort);
  virtual std::uint64_t skip(std::uint64_t size, abort_callback& abort);
  virtual void skip_object(std::uint64_t size, abort_callback& abort);

 protected:
  stream_reader() = default;
  ~stream_reader() = default;
};

class stream_writer {
 public:
  // Appends `size` bytes from `buffer` to the stream.
  virtual void write(const void* buffer, std::size_t size, abort_callback& abort) = 0;

 protected:
  stream_writer() = default;
  ~stream_writer() = default;
};

// Reads bytes held in memory (borrowed, not copied).
class stream_reader_memory final : public stream_reader {
 public:
  stream_reader_memory(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

  std::size_t read(void* buffer, std::size_t size, abort_callback& abort) override;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// Collects what is written in a growing buffer.
class stream_writer_buffer final : public stream_writer {
 public:
  void write(const void* buffer, std::size_t size, abort_callback& abort) override;

  const std::vector<std::uint8_t>& data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

// Byte streams: how the host hands the component its stored configuration and takes it back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class stream_reader {
 public:
  // Reads up to `size` bytes into `buffer` and returns how many were read; fewer than asked
  // only at the end of the stream.
  virtual std::size_t read(void* buffer, std::size_t size) = 0;

 protected:
  ~stream_reader() = default;
};

class stream_writer {
 public:
  // Appends `size` bytes from `buffer` to the stream.
  virtual void write(const void* buffer, std::size_t size) = 0;

 protected:
  ~stream_writer() = default;
};

// Reads bytes held in memory (borrowed, not copied).
class stream_reader_memory final : public stream_reader {
 public:
  stream_reader_memory(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

  std::size_t read(void* buffer, std::size_t size) override;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// Collects what is written in a growing buffer.
class stream_writer_buffer final : public stream_writer {
 public:
  void write(const void* buffer, std::size_t size) override;

  const std::vector<std::uint8_t>& data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

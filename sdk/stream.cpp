#include "sdk/stream.h"

#include <algorithm>
#include <cstring>

std::size_t stream_reader_memory::read(void* buffer, std::size_t size) {
  const std::size_t count = std::min(size, size_ - offset_);
  if (count > 0) {
    std::memcpy(buffer, data_ + offset_, count);
    offset_ += count;
  }
  return count;
}

void stream_writer_buffer::write(const void* buffer, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  data_.insert(data_.end(), bytes, bytes + size);
}

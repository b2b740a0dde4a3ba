#include "sdk/stream.h"

#include <algorithm>
#include <array>
#include <cstring>

void stream_reader::read_object(void* buffer, std::size_t size, abort_callback& abort) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  const std::size_t got = read(buffer, size, abort);
  std::fill(bytes + got, bytes + size, std::uint8_t{0});  // a short stream leaves no garbage
}

std::uint64_t stream_reader::skip(std::uint64_t size, abort_callback& abort) {
  std::array<std::uint8_t, 4096> discard{};
  std::uint64_t skipped = 0;
  while (skipped < size) {
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(discard.size(), size - skipped));
    const std::size_t got = read(discard.data(), want, abort);
    skipped += got;
    if (got < want) {
      break;
    }
  }
  return skipped;
}

void stream_reader::skip_object(std::uint64_t size, abort_callback& abort) {
  skip(size, abort);
}

std::size_t stream_reader_memory::read(void* buffer, std::size_t size, abort_callback& /*abort*/) {
  const std::size_t count = std::min(size, size_ - offset_);
  if (count > 0) {
    std::memcpy(buffer, data_ + offset_, count);
    offset_ += count;
  }
  return count;
}

void stream_writer_buffer::write(const void* buffer, std::size_t size, abort_callback& /*abort*/) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  data_.insert(data_.end(), bytes, bytes + size);
}

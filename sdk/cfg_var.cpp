#include "sdk/cfg_var.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t kGuidBytes = 16;
constexpr std::size_t kLengthBytes = 4;
// Record data is read in pieces of this size, so that a damaged length field claiming
// gigabytes costs no more memory than the bytes that are really there.
constexpr std::size_t kReadPiece = 4096;

std::uint32_t get_le(const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i-- > 0;) {
    value = (value << 8U) | bytes[i];
  }
  return value;
}

void put_le(std::uint8_t* bytes, std::uint32_t value, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(value >> (8U * i));
  }
}

GUID decode_guid(const std::array<std::uint8_t, kGuidBytes>& bytes) {
  GUID guid{};
  guid.Data1 = get_le(bytes.data(), 4);
  guid.Data2 = static_cast<std::uint16_t>(get_le(&bytes[4], 2));
  guid.Data3 = static_cast<std::uint16_t>(get_le(&bytes[6], 2));
  std::copy(bytes.begin() + 8, bytes.end(), guid.Data4);
  return guid;
}

std::array<std::uint8_t, kGuidBytes> encode_guid(const GUID& guid) {
  std::array<std::uint8_t, kGuidBytes> bytes{};
  put_le(bytes.data(), guid.Data1, 4);
  put_le(&bytes[4], guid.Data2, 2);
  put_le(&bytes[6], guid.Data3, 2);
  std::copy(guid.Data4, guid.Data4 + 8, bytes.begin() + 8);
  return bytes;
}

// Reads up to `length` bytes; keeps them in `data` when `keep`, else discards them. Returns how
// many bytes the stream had.
std::size_t read_record_data(stream_reader& stream, abort_callback& abort, std::size_t length,
                             bool keep, std::vector<std::uint8_t>& data) {
  std::array<std::uint8_t, kReadPiece> piece{};
  std::size_t total = 0;
  while (total < length) {
    const std::size_t want = std::min(piece.size(), length - total);
    const std::size_t got = stream.read(piece.data(), want, abort);
    if (keep) {
      data.insert(data.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got));
    }
    total += got;
    if (got < want) {
      break;
    }
  }
  return total;
}

}  // namespace

cfg_var_reader::cfg_var_reader(const GUID& guid) : guid_(guid), next_(list_) {
  list_ = this;
}

cfg_var_writer::cfg_var_writer(const GUID& guid) : guid_(guid), next_(list_) {
  list_ = this;
}

void cfg_var_reader::config_read_file(stream_reader& stream, abort_callback& abort) {
  std::vector<std::uint8_t> data;
  for (;;) {
    std::array<std::uint8_t, kGuidBytes> guid_bytes{};
    std::array<std::uint8_t, kLengthBytes> length_bytes{};
    if (stream.read(guid_bytes.data(), guid_bytes.size(), abort) < guid_bytes.size() ||
        stream.read(length_bytes.data(), length_bytes.size(), abort) < length_bytes.size()) {
      return;
    }
    const GUID guid = decode_guid(guid_bytes);
    const std::size_t length = get_le(length_bytes.data(), length_bytes.size());

    cfg_var_reader* var = list_;
    while (var != nullptr && var->guid_ != guid) {
      var = var->next_;
    }
    data.clear();
    if (read_record_data(stream, abort, length, var != nullptr, data) < length) {
      return;  // cut short: half a value is no value
    }
    if (var != nullptr) {
      var->set_data_raw(data.data(), data.size());
    }
  }
}

void cfg_var_writer::config_write_file(stream_writer& stream, abort_callback& abort) {
  for (const cfg_var_writer* var = list_; var != nullptr; var = var->next_) {
    stream_writer_buffer value;
    var->get_data_raw(value, abort);
    if (value.data().size() > std::numeric_limits<std::uint32_t>::max()) {
      continue;  // cannot be described by the record's length field
    }
    const std::array<std::uint8_t, kGuidBytes> guid_bytes = encode_guid(var->guid_);
    std::array<std::uint8_t, kLengthBytes> length_bytes{};
    put_le(length_bytes.data(), static_cast<std::uint32_t>(value.data().size()),
           length_bytes.size());
    stream.write(guid_bytes.data(), guid_bytes.size(), abort);
    stream.write(length_bytes.data(), length_bytes.size(), abort);
    stream.write(value.data().data(), value.data().size(), abort);
  }
}

void cfg_string::set_data_raw(const std::uint8_t* data, std::size_t size) {
  value_.assign(reinterpret_cast<const char*>(data), size);
}

void cfg_string::get_data_raw(stream_writer& out, abort_callback& abort) const {
  out.write(value_.data(), value_.size(), abort);
}

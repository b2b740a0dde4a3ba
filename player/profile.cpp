// The profile folder's configuration file: read at start, replaced atomically and durably at
// the end.
#include "player/profile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "player/platform.h"

namespace fbplayer {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecordHead = 16 + 4;  // GUID, then the data's length

// Where the records stop making up `bytes` exactly: "" when they do, else what breaks off where.
std::string damage(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    if (bytes.size() - at < kRecordHead) {
      return "a record's head breaks off at byte " + std::to_string(at);
    }
    std::uint32_t length = 0;
    for (std::size_t i = kRecordHead; i-- > kRecordHead - 4;) {
      length = (length << 8U) | bytes[at + i];
    }
    if (bytes.size() - at - kRecordHead < length) {
      return "the record at byte " + std::to_string(at) + " breaks off";
    }
    at += kRecordHead + length;
  }
  return {};
}

}  // namespace

Profile::Profile(std::string directory, const std::string& library_file_name)
    : directory_(std::move(directory)),
      file_((fs::path(directory_) / "configuration" / (library_file_name + ".cfg")).string()) {}

bool Profile::make_folder(std::string& error) const {
  std::error_code ec;
  fs::create_directories(directory_, ec);
  if (ec) {
    error = "cannot create the profile folder " + directory_ + ": " + ec.message();
    return false;
  }
  return true;
}

bool Profile::load(std::vector<std::uint8_t>& records, std::string& error) const {
  records.clear();
  std::error_code ec;
  const fs::file_status status = fs::status(file_, ec);
  if (status.type() == fs::file_type::not_found) {
    return true;  // a fresh profile
  }
  if (ec || status.type() != fs::file_type::regular) {
    error = "cannot read configuration " + file_ + ": " +
            (ec ? ec.message() : std::string("not a regular file"));
    return false;
  }
  // istream::read turns a failing read into badbit instead of letting it throw.
  std::ifstream in(file_, std::ios::binary);
  std::array<char, 4096> piece{};
  while (in.read(piece.data(), piece.size()) || in.gcount() > 0) {
    records.insert(records.end(), piece.begin(), piece.begin() + in.gcount());
  }
  if (in.bad() || !in.eof()) {
    error = "cannot read configuration " + file_;
    return false;
  }
  if (const std::string broken = damage(records); !broken.empty()) {
    error = "cannot read configuration " + file_ + ": damaged, " + broken;
    records.clear();
    return false;
  }
  return true;
}

bool Profile::save(const std::vector<std::uint8_t>& records, std::string& error) const {
  std::error_code ec;
  const fs::path folder = fs::path(file_).parent_path();
  fs::create_directories(folder, ec);
  if (ec) {
    error = "cannot create " + folder.string() + ": " + ec.message();
    return false;
  }
  // The old file stays whole until the new one is complete on the disk.
  const std::string fresh = file_ + ".new";
  if (write_file_durably(fresh, records, error) && replace_file(fresh, file_, error)) {
    return true;
  }
  fs::remove(fresh, ec);  // a half-written file is no use to the next run
  return false;
}

}  // namespace fbplayer

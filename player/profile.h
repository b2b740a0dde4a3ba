// The player's profile folder: where it keeps each component's configuration between runs, as
// configuration/<library file name>.cfg holding exactly the records the component gave.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fbplayer {

class Profile {
 public:
  Profile(std::string directory, const std::string& library_file_name);

  // Makes the folder when it is missing, as a player makes its profile on its first start:
  // components keep files of their own in it. False with a message in `error` when it cannot.
  bool make_folder(std::string& error) const;

  // The stored configuration; empty when none exists yet. False with a message in `error` when
  // a stored configuration exists but cannot be read, or is damaged: its records (16-byte GUID,
  // 4-byte little-endian length, data) do not make up the file exactly. Such a file holds the
  // listener's settings all the same, so it is no fresh configuration to be saved over.
  bool load(std::vector<std::uint8_t>& records, std::string& error) const;

  // Stores `records` atomically: a new file is written, then put in place of the old one, so
  // that a crash never leaves a half-written configuration.
  bool save(const std::vector<std::uint8_t>& records, std::string& error) const;

  const std::string& configuration_file() const { return file_; }

 private:
  std::string directory_;
  std::string file_;
};

}  // namespace fbplayer

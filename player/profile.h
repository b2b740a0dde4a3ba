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

  // The stored configuration; empty when none exists yet. False with a message in `error` when
  // a stored configuration exists but cannot be read.
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

#include "player/profile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "player/platform.h"

namespace fbplayer {

namespace fs = std::filesystem;

Profile::Profile(std::string directory, const std::string& library_file_name)
    : directory_(std::move(directory)),
      file_((fs::path(directory_) / "configuration" / (library_file_name + ".cfg")).string()) {}

bool Profile::load(std::vector<std::uint8_t>& records, std::string& error) const {
  records.clear();
  std::error_code ec;
  if (!fs::exists(file_, ec)) {
    if (ec) {
      error = "cannot read profile " + directory_ + ": " + ec.message();
      return false;
    }
    return true;  // a fresh profile
  }
  std::ifstream in(file_, std::ios::binary);
  if (!in) {
    error = "cannot read configuration " + file_;
    return false;
  }
  records.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read configuration " + file_;
    return false;
  }
  return true;
}

bool Profile::save(const std::vector<std::uint8_t>& records, std::string& error) const {
  std::error_code ec;
  fs::create_directories(fs::path(file_).parent_path(), ec);
  if (ec) {
    error = "cannot create " + fs::path(file_).parent_path().string() + ": " + ec.message();
    return false;
  }
  const std::string fresh = file_ + ".new";
  {
    std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(records.data()),
              static_cast<std::streamsize>(records.size()));
    out.flush();
    if (!out) {
      error = "cannot write " + fresh;
      return false;
    }
  }
  return replace_file(fresh, file_, error);
}

}  // namespace fbplayer

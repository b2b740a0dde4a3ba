// Test files over std::filesystem, with UTF-8 paths (journal_test_files.h).
#include "journal/journal_test_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace brivanto_test {
namespace {

std::filesystem::path native(const std::string& utf8) {
  return {std::u8string(utf8.begin(), utf8.end())};
}

std::string utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

}  // namespace

TempFolder::TempFolder() {
  std::random_device seed;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      native("журнал-Ана-" + std::to_string(seed()) + "-" + std::to_string(seed()));
  std::filesystem::create_directories(folder);
  path_ = utf8(folder);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(native(path_), ignored);
}

std::string TempFolder::operator/(const std::string& name) const {
  return utf8(native(path_) / native(name));
}

std::string read_bytes(const std::string& path) {
  std::ifstream in(native(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(native(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void write_sparse(const std::string& path, std::uint64_t size) {
  std::ofstream out(native(path), std::ios::binary | std::ios::trunc);
  out.seekp(static_cast<std::streamoff>(size - 1));
  out.put('x');
}

std::vector<std::string> file_names(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(native(folder), ignored)) {
    names.push_back(utf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace brivanto_test

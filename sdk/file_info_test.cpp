#include "sdk/file_info.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Metadata keeps every value of a name in order, names match in any letter case; technical
// information holds one value per name; a copy replaces everything in its target.
TEST(FileInfoTest, LooksUpCopiedMetadataAndTechnicalInformation) {
  file_info_impl source;
  source.meta_add("Artist", "A1");
  source.meta_add("ARTIST", "A2");
  source.info_set("codec", "first");
  source.info_set("Codec", "second");
  file_info_impl info;
  info.meta_add("album", "stale");
  info.info_set("bitrate", "stale");
  source.copy_to(info);

  const struct {
    const char* name;
    std::size_t index;
    std::size_t count;
    const char* meta;
    const char* technical;
  } cases[] = {
      {"artist", 0, 2, "A1", nullptr},    {"artist", 1, 2, "A2", nullptr},
      {"artist", 2, 2, nullptr, nullptr}, {"CODEC", 0, 0, nullptr, "second"},
      {"album", 0, 0, nullptr, nullptr},  {"bitrate", 0, 0, nullptr, nullptr},
      {"artis", 0, 0, nullptr, nullptr},
  };
  const auto text = [](const char* s) { return std::string(s == nullptr ? "(none)" : s); };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "[" + std::to_string(c.index) + "]");
    EXPECT_EQ(info.meta_get_count_by_name(c.name), c.count);
    EXPECT_EQ(text(info.meta_get(c.name, c.index)), text(c.meta));
    EXPECT_EQ(text(info.info_get(c.name)), text(c.technical));
  }
}

}  // namespace

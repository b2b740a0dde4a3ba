#include "sdk/file_info.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string or_null(const char* s) {
  return s == nullptr ? "(null)" : s;
}

TEST(FileInfoTest, MetadataKeepsValuesInOrderUnderCaseInsensitiveNames) {
  file_info_impl info;
  info.meta_add("Artist", "A1");
  info.meta_add("ARTIST", "A2");
  info.meta_add("title", "T");

  const struct {
    const char* name;
    std::size_t index;
    std::size_t count;
    const char* value;
  } cases[] = {
      {"artist", 0, 2, "A1"}, {"artist", 1, 2, "A2"},   {"artist", 2, 2, nullptr},
      {"TITLE", 0, 1, "T"},   {"album", 0, 0, nullptr}, {"artis", 0, 0, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(info.meta_get_count_by_name(c.name), c.count) << c.name;
    EXPECT_EQ(or_null(info.meta_get(c.name, c.index)), or_null(c.value))
        << c.name << "[" << c.index << "]";
  }
}

TEST(FileInfoTest, TechnicalInfoHoldsOneValuePerName) {
  file_info_impl info;
  info.info_set("title", "first");
  info.info_set("Title", "second");
  EXPECT_EQ(or_null(info.info_get("TITLE")), "second");
  EXPECT_EQ(info.info_get("artist"), nullptr);
  EXPECT_EQ(info.meta_get_count_by_name("title"), 0U);
}

TEST(FileInfoTest, CopyToReplacesEverythingInTheTarget) {
  file_info_impl source;
  source.meta_add("artist", "A1");
  source.meta_add("artist", "A2");
  source.info_set("bitrate", "320");
  file_info_impl target;
  target.meta_add("album", "stale");
  target.info_set("codec", "stale");

  source.copy_to(target);
  EXPECT_EQ(target.meta_get_count_by_name("artist"), 2U);
  EXPECT_EQ(or_null(target.meta_get("artist", 1)), "A2");
  EXPECT_EQ(or_null(target.info_get("bitrate")), "320");
  EXPECT_EQ(target.meta_get_count_by_name("album"), 0U);
  EXPECT_EQ(target.info_get("codec"), nullptr);
}

}  // namespace

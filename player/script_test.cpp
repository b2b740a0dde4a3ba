#include "player/script.h"

#include <gtest/gtest.h>

namespace fbplayer {
namespace {

TEST(ScriptTest, SplitsLinesIntoWordsAndFieldsOrRefusesThem) {
  using Words = std::vector<std::string>;
  using Fields = std::vector<std::pair<std::string, std::string>>;
  const struct {
    const char* line;
    bool ok;
    const char* name;
    Words words;
    Fields fields;
  } cases[] = {
      {"   # only a comment", true, "", {}, {}},
      {R"(add length=1.5 artist="A B" artist="C" title="say \"hi\" \\ o/")",
       true,
       "add",
       {},
       {{"length", "1.5"}, {"artist", "A B"}, {"artist", "C"}, {"title", R"(say "hi" \ o/)"}}},
      {R"(expect "OK: A # B" 5 # comment)", true, "expect", {"OK: A # B", "5"}, {}},
      {R"(load "/m/a=b.flac" /m/c.mp3)", true, "load", {"/m/a=b.flac", "/m/c.mp3"}, {}},
      {"\tedit\talbum=x=y title=\"\"\r", true, "edit", {}, {{"album", "x=y"}, {"title", ""}}},
      {R"(expect "unterminated)", false, "", {}, {}},
      {R"(expect "bad \n escape")", false, "", {}, {}},
      {R"(add title="ends in a backslash\)", false, "", {}, {}},
  };
  for (const auto& c : cases) {
    Command command;
    std::string error;
    ASSERT_EQ(parse_command(c.line, command, error), c.ok) << c.line << ": " << error;
    EXPECT_EQ(error.empty(), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(command.name, c.name) << c.line;
      EXPECT_EQ(command.words, c.words) << c.line;
      EXPECT_EQ(command.fields, c.fields) << c.line;
    }
  }
  EXPECT_EQ(parse_number("-2.5"), -2.5);
  for (const char* bad : {"", "1x", "inf", "nan", "1e999"}) {
    EXPECT_EQ(parse_number(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace fbplayer

#include "player/script.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace fbplayer {
namespace {

using Words = std::vector<std::string>;
using Fields = std::vector<std::pair<std::string, std::string>>;

TEST(ScriptTest, SplitsCommandsIntoWordsAndFields) {
  const struct {
    const char* line;
    const char* name;
    Words words;
    Fields fields;
  } cases[] = {
      {"", "", {}, {}},
      {"   # only a comment", "", {}, {}},
      {"play 2  # the second track", "play", {"2"}, {}},
      {R"(add length=185.5 artist="A B" artist="C" title="say \"hi\" \\ o/")",
       "add",
       {},
       {{"length", "185.5"}, {"artist", "A B"}, {"artist", "C"}, {"title", R"(say "hi" \ o/)"}}},
      {R"(expect "Scrobble OK: A # B" 5)", "expect", {"Scrobble OK: A # B", "5"}, {}},
      {R"(load "/music/a=b.flac" /music/c.mp3)", "load", {"/music/a=b.flac", "/music/c.mp3"}, {}},
      {R"(edit album="")", "edit", {}, {{"album", ""}}},
      {"\tedit\talbum=x=y\r", "edit", {}, {{"album", "x=y"}}},
  };
  for (const auto& c : cases) {
    Command command;
    std::string error;
    ASSERT_TRUE(parse_command(c.line, command, error)) << c.line << ": " << error;
    EXPECT_EQ(command.name, c.name) << c.line;
    EXPECT_EQ(command.words, c.words) << c.line;
    EXPECT_EQ(command.fields, c.fields) << c.line;
  }
}

TEST(ScriptTest, RefusesBrokenQuoting) {
  for (const char* line : {R"(expect "unterminated)", R"(expect "bad \n escape")",
                           R"(add title="ends in a backslash\)"}) {
    Command command;
    std::string error;
    EXPECT_FALSE(parse_command(line, command, error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

TEST(ScriptTest, Numbers) {
  EXPECT_EQ(parse_number("2.5"), 2.5);
  EXPECT_EQ(parse_number("-1"), -1.0);
  for (const char* bad : {"", "x", "1x", "inf", "nan", "1e999"}) {
    EXPECT_EQ(parse_number(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace fbplayer

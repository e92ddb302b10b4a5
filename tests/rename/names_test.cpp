// The name rule and the names between the system's bytes and UTF-16.
#include <gtest/gtest.h>

#include "file_name_text.hpp"
#include "rewrite_name.hpp"

namespace rinomina {
namespace {

// More of the rule (empty and case-sensitive search texts) in the pass tests.
TEST(RewriteNameTest, ReplacesTheFirstExactOccurrenceOnly) {
  EXPECT_EQ(RewriteName(u"a_a_a.txt", u"a", u"x"), u"x_a_a.txt");
  EXPECT_EQ(RewriteName(u"aaa", u"aa", u"x"), u"xa");  // no second, overlapping match
  EXPECT_EQ(RewriteName(u"foto", u"foto.jpg", u"x"), std::nullopt);
  EXPECT_EQ(RewriteName(u"caffe\u0301.txt", u"caff\u00e9", u"x"), std::nullopt);  // not normalised
}

TEST(FileNameTextTest, DecodesUtf8AndEscapesEveryOtherByteBothWays) {
  const std::pair<std::string_view, std::u16string_view> cases[] = {
      {"citt\xC3\xA0", u"citt\u00E0"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"caf\xE9", u"caf\xDCE9"},                          // Latin-1
      {"\xC3", u"\xDCC3"},                                // cut short
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                      // overlong "/"
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(DecodeFileName(bytes), text);
    EXPECT_EQ(EncodeFileName(text), std::string(bytes));
  }
  for (std::u16string_view name : {u"a\xD800", u"\xDC00", u"\xDC7F", u"\xDD00"}) {
    EXPECT_EQ(EncodeFileName(name), std::nullopt);  // lone surrogates that are not escapes
    EXPECT_TRUE(HasLoneSurrogate(name));
  }
  EXPECT_FALSE(HasLoneSurrogate(u"\xD83D\xDE00x"));
  EXPECT_EQ(DisplayText(u"citt\u00E0_\xDCE9_\xD800\n"),
            "citt\xC3\xA0_\xEF\xBF\xBD_\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace rinomina

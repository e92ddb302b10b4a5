#include "file_name_text.hpp"

#include <gtest/gtest.h>

namespace rinomina {
namespace {

struct DecodeCase {
  std::string_view bytes;
  std::u16string_view text;
};

TEST(FileNameTextTest, DecodesUtf8AndEscapesEveryOtherByte) {
  const DecodeCase cases[] = {
      {"foto_01.jpg", u"foto_01.jpg"},
      {"citt\xC3\xA0", u"citt\u00E0"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"caf\xE9", u"caf\xDCE9"},                          // Latin-1
      {"\xC3", u"\xDCC3"},                                // cut short
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                      // overlong "/"
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
      {"\x80"
       "a",
       u"\xDC80"
       "a"},
  };
  for (const DecodeCase& test : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&test - cases));
    EXPECT_EQ(DecodeFileName(test.bytes), test.text);
    EXPECT_EQ(EncodeFileName(test.text), std::string(test.bytes));
  }
}

TEST(FileNameTextTest, LoneSurrogatesThatAreNotEscapesCannotBeEncoded) {
  for (std::u16string_view name : {u"a\xD800", u"\xD800z", u"\xDC00", u"\xDC7F", u"\xDD00"}) {
    EXPECT_EQ(EncodeFileName(name), std::nullopt);
    EXPECT_TRUE(HasLoneSurrogate(name));
  }
  for (std::u16string_view name : {u"", u"foto", u"\U0001F600", u"\xD83D\xDE00x"}) {
    EXPECT_FALSE(HasLoneSurrogate(name));
  }
}

TEST(FileNameTextTest, DisplayTextIsValidUtf8) {
  EXPECT_EQ(DisplayText(u"citt\u00E0_\xDCE9_\xD800\n"),
            "citt\xC3\xA0_\xEF\xBF\xBD_\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace rinomina

#include "rewrite_name.hpp"

#include <gtest/gtest.h>

namespace rinomina {
namespace {

struct RewriteCase {
  std::u16string_view name;
  std::u16string_view searchText;
  std::u16string_view replacementText;
  std::optional<std::u16string_view> expected;
};

TEST(RewriteNameTest, ReplacesTheFirstExactOccurrenceOnly) {
  const RewriteCase cases[] = {
      {u"foto_01.jpg", u"01", u"02", u"foto_02.jpg"},
      {u"a_a_a.txt", u"a", u"b", u"b_a_a.txt"},
      {u"aaa", u"aa", u"b", u"ba"},  // no second, overlapping match
      {u"Report.TXT", u"txt", u"x", std::nullopt},
      {u"old_photo.jpg", u"old_", u"", u"photo.jpg"},
      {u"foto.jpg", u"", u"nuova_", u"nuova_foto.jpg"},
      {u"foto.jpg", u"", u"", u"foto.jpg"},
      {u"foto.jpg", u"foto.jpg", u"x", u"x"},
      {u"foto.jpg", u"foto.jpg", u"", u""},
      {u"foto", u"foto.jpg", u"x", std::nullopt},
      {u"", u"", u"x", u"x"},
      {u"a.tar.gz", u"r.g", u"R_G", u"a.taR_Gz"},               // across the dot
      {u"caffe\u0301.txt", u"caff\u00e9", u"x", std::nullopt},  // not normalised
      {u" spazio ", u"spazio", u"x", u" x "},                   // not trimmed
      {u"\U0001F600.png", u"\xDE00", u"x", u"\xD83Dx.png"},     // code units, not characters
  };
  for (const RewriteCase& test : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&test - cases));
    const std::optional<std::u16string> result =
        RewriteName(test.name, test.searchText, test.replacementText);
    ASSERT_EQ(result.has_value(), test.expected.has_value());
    if (result) {
      EXPECT_EQ(*result, *test.expected);
    }
  }
}

}  // namespace
}  // namespace rinomina

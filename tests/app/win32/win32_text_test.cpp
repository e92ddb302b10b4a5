#include "win32_text.hpp"

#include <gtest/gtest.h>

namespace rinomina::win32 {
namespace {

TEST(Win32TextTest, FolderOfKeepsEverythingBeforeTheLastBackslash) {
  const struct {
    std::wstring_view path;
    std::wstring_view folder;
  } cases[] = {
      {L"C:\\Programmi\\Rinomina\\rinomina.exe", L"C:\\Programmi\\Rinomina"},
      {L"C:\\rinomina.exe", L"C:"},  // "C:" + "\\Originali" is the root's folder
      {L"\\\\server\\share\\rinomina.exe", L"\\\\server\\share"},
      {L"\\\\?\\C:\\a\\rinomina.exe", L"\\\\?\\C:\\a"},
      {L"rinomina.exe", L""},
  };
  for (const auto& test : cases)
    EXPECT_EQ(FolderOf(test.path), test.folder) << std::wstring(test.path);
}

TEST(Win32TextTest, Utf8MessagesBecomeUtf16AndBrokenBytesDoNotStopThem) {
  EXPECT_EQ(WideFromUtf8("perch\xC3\xA9 \xF0\x9F\x98\x80"), L"perch\u00E9 \U0001F600");
  EXPECT_EQ(WideFromUtf8("a\xFF"
                         "b"),
            L"a\uFFFDb");
  EXPECT_EQ(WideFromUtf8(""), L"");
}

}  // namespace
}  // namespace rinomina::win32

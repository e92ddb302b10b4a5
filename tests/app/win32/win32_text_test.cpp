#include "win32_text.hpp"

#include <gtest/gtest.h>

namespace rinomina::win32 {
namespace {

TEST(Win32TextTest, FolderOfKeepsEverythingBeforeTheLastBackslash) {
  const std::pair<std::wstring_view, std::wstring_view> cases[] = {
      {L"C:\\Programmi\\Rinomina\\rinomina.exe", L"C:\\Programmi\\Rinomina"},
      {L"C:\\rinomina.exe", L"C:"},  // "C:" + "\\Originali" is the root's folder
      {L"\\\\server\\share\\rinomina.exe", L"\\\\server\\share"},
      {L"\\\\?\\C:\\a\\rinomina.exe", L"\\\\?\\C:\\a"},
      {L"rinomina.exe", L""},
  };
  for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOf(path), folder) << std::wstring(path);
}

TEST(Win32TextTest, Utf8MessagesBecomeUtf16AndBrokenBytesDoNotStopThem) {
  EXPECT_EQ(WideFromUtf8("perch\xC3\xA9 \xF0\x9F\x98\x80"), L"perch\u00E9 \U0001F600");
  EXPECT_EQ(WideFromUtf8("a\xFF\x62"), L"a\uFFFDb");
}

}  // namespace
}  // namespace rinomina::win32

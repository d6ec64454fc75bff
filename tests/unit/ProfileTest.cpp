// Profile settings against the real registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include "tests/unit/TestSupport.h"

namespace {

constexpr char kSection[] = "Command";

TEST(ProfileTest, FirstReadCreatesTheEmptyKeyChainAndGivesDefaults) {
  TestApp app;
  EXPECT_FALSE(app.HasKey(nullptr));
  EXPECT_EQ(1, app.GetProfileInt(kSection, "Tree", 1));
  EXPECT_EQ("", app.GetProfileString(kSection, "Command"));
  EXPECT_EQ("fallback", app.GetProfileString(kSection, "Command", "fallback"));
  ASSERT_TRUE(app.HasKey(kSection));

  CRegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Open(HKEY_CURRENT_USER, app.RegistryPath(kSection).c_str(), KEY_READ));
  DWORD values = 99, subkeys = 99;
  ::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(0u, values);
  EXPECT_EQ(0u, subkeys);
}

TEST(ProfileTest, ValuesRoundTripWithTheirTypes) {
  TestApp app;
  EXPECT_TRUE(app.WriteProfileInt(kSection, "Tree", -1));
  EXPECT_TRUE(app.GetSectionKey(kSection).WriteText("Command", "C:\\Tools\\open.exe"));
  EXPECT_EQ(-1, app.GetProfileInt(kSection, "Tree", 1));
  EXPECT_EQ("C:\\Tools\\open.exe", app.GetProfileString(kSection, "Command"));

  CRegKey key;
  key.Open(HKEY_CURRENT_USER, app.RegistryPath(kSection).c_str(), KEY_READ);
  DWORD type = 0, size = 0;
  ::RegQueryValueExA(key.Get(), "Tree", nullptr, &type, nullptr, &size);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(4u, size);
  ::RegQueryValueExA(key.Get(), "Command", nullptr, &type, nullptr, &size);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(sizeof("C:\\Tools\\open.exe"), size);  // counts the terminating zero
}

TEST(ProfileTest, NullTextDeletesTheValue) {
  TestApp app;
  app.SetString(kSection, "Command", "x");
  ASSERT_TRUE(app.HasValue(kSection, "Command"));
  EXPECT_TRUE(app.GetSectionKey(kSection).DeleteValue("Command"));
  EXPECT_FALSE(app.HasValue(kSection, "Command"));
  EXPECT_TRUE(app.GetSectionKey(kSection).DeleteValue("Command"));  // already gone
}

TEST(ProfileTest, IntegerReadTakesOnlyFourBytesOfNumber) {
  TestApp app;
  app.SetString(kSection, "Text", "12");
  EXPECT_EQ(1, app.GetProfileInt(kSection, "Text", 1));
  app.SetString(kSection, "FourBytes", "123");  // four bytes, but a text
  EXPECT_EQ(1, app.GetProfileInt(kSection, "FourBytes", 1));
  const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  app.SetRaw(kSection, "Long", REG_BINARY, eight, sizeof(eight));
  EXPECT_EQ(1, app.GetProfileInt(kSection, "Long", 1));
  const unsigned char four[4] = {2, 0, 0, 0};
  app.SetRaw(kSection, "Binary", REG_BINARY, four, sizeof(four));
  EXPECT_EQ(2, app.GetProfileInt(kSection, "Binary", 1));
}

TEST(ProfileTest, TextReadCopesWithOddData) {
  TestApp app;
  const char unterminated[] = {'a', 'b', 'c'};
  app.SetRaw(kSection, "NoZero", REG_SZ, unterminated, sizeof(unterminated));
  EXPECT_EQ("abc", app.GetProfileString(kSection, "NoZero"));

  const char multi[] = "one\0two\0";
  app.SetRaw(kSection, "Multi", REG_MULTI_SZ, multi, sizeof(multi));
  EXPECT_EQ("one", app.GetProfileString(kSection, "Multi"));

  app.SetRaw(kSection, "Empty", REG_SZ, "", 0);
  EXPECT_EQ("", app.GetProfileString(kSection, "Empty", "default"));

  const char expandable[] = "%WINDIR%\\x";
  app.SetRaw(kSection, "Expand", REG_EXPAND_SZ, expandable, sizeof(expandable));
  EXPECT_EQ(expandable, app.GetProfileString(kSection, "Expand"));

  // Numbers and binary data are no text: the default applies.
  app.SetDword(kSection, "Number", 0x41);
  EXPECT_EQ("default", app.GetProfileString(kSection, "Number", "default"));
  app.SetRaw(kSection, "Binary", REG_BINARY, "abc", 4);
  EXPECT_EQ("default", app.GetProfileString(kSection, "Binary", "default"));

  const std::string big(1 << 20, 'x');
  app.SetString(kSection, "Big", big);
  EXPECT_EQ(big, app.GetProfileString(kSection, "Big"));
}

TEST(ProfileTest, TextsAroundTheFirstReadsBufferComeWhole) {
  TestApp app;
  for (size_t length : {255u, 256u, 257u, 4096u}) {
    const std::string value(length, 'v');
    app.SetRaw(kSection, "Zero", REG_SZ, value.c_str(), static_cast<DWORD>(length + 1));
    app.SetRaw(kSection, "NoZero", REG_SZ, value.data(), static_cast<DWORD>(length));
    EXPECT_EQ(value, app.GetProfileString(kSection, "Zero")) << length;
    EXPECT_EQ(value, app.GetProfileString(kSection, "NoZero")) << length;
  }
}

TEST(ProfileTest, WithoutCompanyKeyNothingIsReadOrWritten) {
  TestApp app;
  app.m_strRegistryKey.clear();
  EXPECT_FALSE(app.WriteProfileInt(kSection, "Tree", 0));
  EXPECT_EQ(1, app.GetProfileInt(kSection, "Tree", 1));
  app.m_strRegistryKey = "Kelvane";
  EXPECT_FALSE(app.HasKey(nullptr));
}

TEST(ProfileTest, ApplicationNameIsTheProgramFilesBaseName) {
  EXPECT_EQ("Pathstow", ModuleBaseName("C:\\Program Files\\Pathstow.exe"));
  EXPECT_EQ("my.tool", ModuleBaseName("C:\\a.b\\my.tool.exe"));
  EXPECT_EQ("noext", ModuleBaseName("noext"));
  // Shift-JIS: one character whose second byte looks like '\\'.
  const std::string sjis = "\x95\x5C";
  EXPECT_EQ(sjis, ModuleBaseName("C:\\Tools\\" + sjis + ".exe", 932));
  EXPECT_EQ("a" + sjis + "b", ModuleBaseName("C:\\" + sjis + "\\a" + sjis + "b.exe", 932));
}

// Reads of a key that a policy made read-only still give its values; writes
// there fail, and say so.
TEST(ProfileTest, ReadOnlySectionIsStillRead) {
  TestApp app;
  app.SetString(kSection, "Command", "C:\\Tools\\open.exe");
  app.SetDword(kSection, "Tree", 0);
  CRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, app.RegistryPath(kSection).c_str(),
                                    READ_CONTROL | WRITE_DAC));
  auto setAccess = [&key](const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor));
    ::LocalFree(descriptor);
  };
  // Everyone may read, change the access list and delete: nothing else.
  setAccess("D:P(A;;KRWDSD;;;WD)");
  EXPECT_EQ("C:\\Tools\\open.exe", app.GetProfileString(kSection, "Command"));
  EXPECT_EQ(0, app.GetProfileInt(kSection, "Tree", 1));
  EXPECT_FALSE(app.WriteProfileInt(kSection, "Tree", 1));
  EXPECT_EQ(0, app.GetProfileInt(kSection, "Tree", 1));
  setAccess("D:P(A;;KA;;;WD)");  // so that the test's key can go again
}

}  // namespace

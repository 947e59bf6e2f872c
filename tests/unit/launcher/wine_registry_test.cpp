#include "launcher/wine_registry.hpp"

#include <gtest/gtest.h>

#include <string>

#include "launcher/locate.hpp"

namespace vc::launcher {
namespace {

constexpr RegistryRoot kMachine = RegistryRoot::kLocalMachine;

TEST(WineString, DecodesEscapes) {
  struct Case {
    std::string escaped;
    std::string expected;
  };
  const Case cases[] = {
      {R"(C:\\Program Files\\PAtlas.exe)", R"(C:\Program Files\PAtlas.exe)"},
      {R"(say \"hi\")", R"(say "hi")"},
      {R"(Z:\\\x5730\x56f3.mps)", "Z:\\地図.mps"},
      // At most four hex digits: the fifth is text again.
      {R"(\x00411)", "A1"},
      {R"(\x41)", "A"},
      // Beyond the basic plane a character is two UTF-16 escapes.
      {R"(\xd83d\xde00)", "\xF0\x9F\x98\x80"},
      {R"(\xd83d!)", "\xEF\xBF\xBD!"},
      {R"(a\nb\tc\r\e)", "a\nb\tc\r\x1b"},
      {R"(a\0b)", std::string("a\0b", 3)},
      {R"(\101\1011)", "AA1"},
      {R"(\[key\])", "[key]"},
      {R"(\xyz)", "xyz"},
      {R"(end\)", "end\\"},
      // A hand-edited file may hold UTF-8 as it is.
      {"地図", "地図"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeWineString(c.escaped), c.expected) << c.escaped;
  }
}

// Keys in both views of a 64-bit prefix, names in other letter cases than the
// lookup's, typed values that are not strings, and an escaped key name.
constexpr std::string_view kSystemReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\ALPS\\MapServer] 1700000000
#time=1da2f4c3b5e8a10
"SwitchAppPath"="C:\\Native\\PAtlas.exe"

[Software\\ALPS\\Rdw40] 1700000000
"AppPath"="C:\\Native\\Rdw40.exe"

[Software\\Wow6432Node\\ALPS\\MapServer] 1700000001
#time=1da2f4c3b5e8a11
@="default text"
"Counter"=dword:0000002a
"Expand"=str(2):"%ProgramFiles%\\PAtlas.exe"
"Binary"=hex:43,00,3a,00,\
  5c,00
"SwitchAppPath"="C:\\Program Files (x86)\\ALPS\\\x5730\x56f3\\PAtlas.exe"

[Software\\Wow6432Node\\alps\\rdw60] 1700000002
"apppath"="C:\\PA6\\say \"hi\".exe" ; not a comment in Wine, but past the quote

[Software\\Wow6432Node\\ALPS\\Rdw70] 1700000003

[Software\\Wow6432Node\\ALPS\\Other] 1700000003
"AppPath"="C:\\Other.exe"

[Software\\\x5730\x56f3\\Key\]] 1700000004
"Name"="found"
)";

TEST(WineRegistry, ReadsStringValues) {
  const WineRegistry registry{std::string(kSystemReg)};
  struct Case {
    const char* subkey;
    const char* name;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      // The 32-bit view wins over the native one.
      {"SOFTWARE\\ALPS\\MapServer", "SwitchAppPath",
       "C:\\Program Files (x86)\\ALPS\\地図\\PAtlas.exe"},
      // Only in the native view.
      {"SOFTWARE\\ALPS\\Rdw40", "AppPath", "C:\\Native\\Rdw40.exe"},
      {"SOFTWARE\\ALPS\\Rdw60", "AppPath", "C:\\PA6\\say \"hi\".exe"},
      {"SOFTWARE\\ALPS\\MapServer", "", "default text"},
      {"SOFTWARE\\地図\\Key]", "name", "found"},
      {"SOFTWARE\\ALPS\\MapServer", "Expand", std::nullopt},
      {"SOFTWARE\\ALPS\\MapServer", "Counter", std::nullopt},
      {"SOFTWARE\\ALPS\\MapServer", "Binary", std::nullopt},
      // A key without the value; the next key's value is not taken.
      {"SOFTWARE\\ALPS\\Rdw70", "AppPath", std::nullopt},
      {"SOFTWARE\\ALPS\\Rdw30", "installpath", std::nullopt},
      {"SOFTWARE\\ALPS", "AppPath", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(registry.QueryString(kMachine, c.subkey, c.name), c.expected)
        << c.subkey << " " << c.name;
  }
}

TEST(WineRegistry, ReadsDwordValues) {
  const WineRegistry registry{std::string(kSystemReg)};
  EXPECT_EQ(registry.QueryDword(kMachine, "SOFTWARE\\ALPS\\MapServer", "Counter"), 42u);
  EXPECT_EQ(registry.QueryDword(kMachine, "SOFTWARE\\ALPS\\MapServer", "SwitchAppPath"),
            std::nullopt);
}

TEST(WineRegistry, ToleratesCrLf) {
  std::string crlf;
  for (const char c : kSystemReg) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const WineRegistry registry{std::move(crlf)};
  EXPECT_EQ(registry.QueryString(kMachine, "SOFTWARE\\ALPS\\Rdw40", "AppPath"),
            "C:\\Native\\Rdw40.exe");
  EXPECT_EQ(registry.QueryDword(kMachine, "SOFTWARE\\ALPS\\MapServer", "Counter"), 42u);
}

TEST(WineRegistry, BrokenLinesReadNothing) {
  const WineRegistry registry{std::string(R"([Software\\ALPS\\Rdw40
"AppPath"="C:\\a.exe"
[Software\\ALPS\\Rdw50] 1
"AppPath"="C:\\unterminated
"AppPath" = "C:\\blank.exe"
[Software\\ALPS\\Rdw60] 1
"AppPath"=dword:xyz
)")};
  EXPECT_EQ(registry.QueryString(kMachine, "SOFTWARE\\ALPS\\Rdw40", "AppPath"), std::nullopt);
  EXPECT_EQ(registry.QueryString(kMachine, "SOFTWARE\\ALPS\\Rdw50", "AppPath"), std::nullopt);
  EXPECT_EQ(registry.QueryDword(kMachine, "SOFTWARE\\ALPS\\Rdw60", "AppPath"), std::nullopt);
}

TEST(WineRegistry, LocatesTheChosenEdition) {
  const WineRegistry registry{std::string(kSystemReg)};
  EXPECT_EQ(LocateProAtlas(registry), "C:\\Program Files (x86)\\ALPS\\地図\\PAtlas.exe");
}

TEST(WineRegistry, MissingFileLoadsNothing) {
  EXPECT_FALSE(WineRegistry::Load("/nonexistent/prefix/system.reg").has_value());
}

}  // namespace
}  // namespace vc::launcher

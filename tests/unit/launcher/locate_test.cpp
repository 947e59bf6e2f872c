#include "launcher/locate.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "launcher/registry.hpp"

namespace vc::launcher {
namespace {

// String values keyed by "subkey|name", exactly as given.
class FakeRegistry final : public Registry {
 public:
  using Entries = std::vector<std::pair<std::string, std::string>>;
  explicit FakeRegistry(Entries entries) : entries_(entries.begin(), entries.end()) {}

  std::optional<std::string> QueryString(RegistryRoot, std::string_view subkey,
                                         std::string_view valueName) const override {
    const auto it = entries_.find(Key(subkey, valueName));
    if (it == entries_.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::uint32_t> QueryDword(RegistryRoot, std::string_view subkey,
                                          std::string_view valueName) const override {
    if (Key(subkey, valueName) == "SOFTWARE\\ALPS\\MapServer|Version") return 7;
    return std::nullopt;
  }

 private:
  static std::string Key(std::string_view subkey, std::string_view valueName) {
    return std::string(subkey) + '|' + std::string(valueName);
  }
  std::map<std::string, std::string> entries_;
};

RegistryValue ReadString(const FakeRegistry& registry, std::string_view name) {
  return ReadRegistryValue(registry, RegistryRoot::kLocalMachine, "SOFTWARE\\ALPS\\MapServer", name,
                           RegistryValueType::kString);
}

std::string Repeat(std::string_view piece, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

TEST(ReadRegistryValue, StringEndsAtNulAndBuffer) {
  struct Case {
    std::string stored;
    std::string expected;
  };
  const Case cases[] = {
      {"C:\\PAtlas\\PAtlas.exe", "C:\\PAtlas\\PAtlas.exe"},
      {std::string("C:\\a.exe\0junk", 13), "C:\\a.exe"},
      {Repeat("a", 255), Repeat("a", 255)},
      {Repeat("a", 256), Repeat("a", 256)},
      {Repeat("b", 300), Repeat("b", 256)},
      // Characters, not bytes: each of these is three bytes in UTF-8.
      {Repeat("地", 300), Repeat("地", 256)},
      {"", ""},
  };
  for (const Case& c : cases) {
    const FakeRegistry registry(
        FakeRegistry::Entries{{"SOFTWARE\\ALPS\\MapServer|SwitchAppPath", c.stored}});
    const RegistryValue value = ReadString(registry, "SwitchAppPath");
    ASSERT_TRUE(std::holds_alternative<std::string>(value)) << c.stored.size();
    EXPECT_EQ(std::get<std::string>(value), c.expected) << c.stored.size();
  }
}

TEST(ReadRegistryValue, MissingOrOtherTypeReadsNothing) {
  const FakeRegistry registry(
      FakeRegistry::Entries{{"SOFTWARE\\ALPS\\MapServer|SwitchAppPath", "C:\\x.exe"}});
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ReadString(registry, "Missing")));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(
      ReadRegistryValue(registry, RegistryRoot::kLocalMachine, "SOFTWARE\\ALPS\\MapServer",
                        "SwitchAppPath", static_cast<RegistryValueType>(3))));
  const RegistryValue number =
      ReadRegistryValue(registry, RegistryRoot::kLocalMachine, "SOFTWARE\\ALPS\\MapServer",
                        "Version", RegistryValueType::kDword);
  ASSERT_TRUE(std::holds_alternative<std::uint32_t>(number));
  EXPECT_EQ(std::get<std::uint32_t>(number), 7u);
}

TEST(LocateProAtlas, PicksTheProgramToStart) {
  const std::string rdw30 = "SOFTWARE\\ALPS\\Rdw30|installpath";
  const std::string rdw40 = "SOFTWARE\\ALPS\\Rdw40|AppPath";
  const std::string rdw60 = "SOFTWARE\\ALPS\\Rdw60|AppPath";
  const std::string rdw70 = "SOFTWARE\\ALPS\\Rdw70|AppPath";
  const std::string choice = "SOFTWARE\\ALPS\\MapServer|SwitchAppPath";
  struct Case {
    const char* name;
    FakeRegistry::Entries entries;
    std::string expected;
  };
  const Case cases[] = {
      {"nothing installed", {}, ""},
      {"oldest edition stores its folder",
       {{rdw30, "C:\\Program Files\\ALPS\\PAtlas"}},
       "C:\\Program Files\\ALPS\\PAtlas\\Program\\PAtls98.exe"},
      {"one later edition", {{rdw60, "D:\\PA6\\PAtlas.exe"}}, "D:\\PA6\\PAtlas.exe"},
      {"one edition: a stray choice is not used",
       {{rdw70, "C:\\PA7\\PAtlas.exe"}, {choice, "C:\\Other.exe"}},
       "C:\\PA7\\PAtlas.exe"},
      {"two editions and the user's choice",
       {{rdw40, "C:\\PA4\\PAtlas.exe"},
        {rdw70, "C:\\PA7\\PAtlas.exe"},
        {choice, "C:\\PA4\\PAtlas.exe"}},
       "C:\\PA4\\PAtlas.exe"},
      {"two editions, no choice", {{rdw30, "C:\\PA3"}, {rdw40, "C:\\PA4\\PAtlas.exe"}}, ""},
      {"two editions, empty choice",
       {{rdw40, "C:\\PA4\\PAtlas.exe"}, {rdw60, "C:\\PA6\\PAtlas.exe"}, {choice, ""}},
       ""},
      {"an empty value is not an edition",
       {{rdw30, ""}, {rdw40, "C:\\PA4\\PAtlas.exe"}},
       "C:\\PA4\\PAtlas.exe"},
      {"a choice without editions", {{choice, "C:\\PA4\\PAtlas.exe"}}, ""},
      // The folder is cut at the buffer before the suffix is added.
      {"long folder of the oldest edition",
       {{rdw30, Repeat("f", 300)}},
       Repeat("f", 256) + "\\Program\\PAtls98.exe"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LocateProAtlas(FakeRegistry(c.entries)), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace vc::launcher

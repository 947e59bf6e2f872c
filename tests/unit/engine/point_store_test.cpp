#include "engine/point_store.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vc::engine {
namespace {

// Offsets handed out earlier must still read their texts after the buffer
// has grown many times over.
TEST(TextStore, OffsetsOutliveGrowth) {
  TextStore store;
  std::vector<std::pair<std::uint64_t, std::string>> kept;
  for (int i = 0; i < 5000; ++i) {
    const std::string text = "text " + std::to_string(i) + std::string(i % 40, 'x');
    kept.emplace_back(i % 2 == 0 ? store.Store(text) : store.StoreShared(text), text);
  }
  for (const auto& [at, text] : kept) EXPECT_EQ(store.Text(at), text);
  EXPECT_EQ(store.Text(TextStore::kEmptyAt), "");
}

TEST(TextStore, SharesOnlyShortRecentTexts) {
  struct Case {
    std::string first;
    std::string second;
    bool shared;
  };
  const Case cases[] = {
      {"-", "-", true},
      {"---.-", "---.-", true},
      {"12345678", "12345678", true},
      {"123456789", "123456789", false},  // longer than the shared texts
      {"-", " - ", false},
  };
  for (const Case& c : cases) {
    TextStore store;
    const std::uint64_t a = store.StoreShared(c.first);
    const std::uint64_t b = store.StoreShared(c.second);
    EXPECT_EQ(a == b, c.shared) << c.first << "|" << c.second;
    EXPECT_EQ(store.Text(b), c.second);
  }
  TextStore store;
  EXPECT_EQ(store.StoreShared(""), TextStore::kEmptyAt);
  EXPECT_EQ(store.Store(""), TextStore::kEmptyAt);
  store.StoreShared("-");
  store.Clear();
  EXPECT_EQ(store.Text(store.StoreShared("--")), "--");
}

// Regression: the text matched last is tried first; a text that took its
// turn among more texts than are kept, or one stored again after Clear,
// must still come back as itself.
TEST(TextStore, SharedTextsTakingTurnsReadBackAsThemselves) {
  TextStore store;
  const std::vector<std::string> turns = {"a", "b", "a", "b", "c", "d", "e", "a", "--", "a", "--"};
  for (const std::string& text : turns) EXPECT_EQ(store.Text(store.StoreShared(text)), text);
  const std::uint64_t dash = store.StoreShared("--");
  EXPECT_EQ(store.StoreShared("--"), dash);
  store.Clear();
  EXPECT_EQ(store.Text(store.StoreShared("-")), "-");
  EXPECT_EQ(store.Text(store.StoreShared("")), "");
}

TEST(LabelTable, FindsEachTripleOnce) {
  LabelTable table;
  EXPECT_EQ(table.Find("", "", ""), 0U);
  const std::uint32_t tokyo = table.Find("Tokyo", "+09:00", "DMS");
  const std::uint32_t wgs = table.Find("WGS84", "+09:00", "DMS");
  EXPECT_NE(tokyo, wgs);
  EXPECT_EQ(table.Find("Tokyo", "+09:00", "DMS"), tokyo);
  EXPECT_EQ(table.Find("Tokyo", "+09:00", "D"), wgs + 1);
  EXPECT_EQ(table[wgs].datum, "WGS84");
  table.Clear();
  EXPECT_EQ(table.Find("WGS84", "+09:00", "DMS"), 1U);
  EXPECT_EQ(table[0].datum, "");
}

}  // namespace
}  // namespace vc::engine

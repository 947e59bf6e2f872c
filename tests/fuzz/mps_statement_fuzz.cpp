// One MPS statement text: its kind, its values by position, and the loose
// lookups the reader makes in it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/mps/statement_parser.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto text = vc::fuzz::AsText(data, size);
  const vc::mps::MpsStatement statement = vc::mps::ParseMpsStatement(text);
  static constexpr std::string_view kNames[] = {"oid", "gid", "pos", "str", "sym", "tim", "width"};
  for (const std::string_view name : kNames) {
    (void)vc::mps::GetAttributeValue(text, name);
    (void)vc::mps::GetWordAfter(text, name);
    (void)statement.Element(vc::mps::FindAttributeSlot(statement, name));
  }
  // Names taken from the text itself: its first word and its first quoted value.
  const std::string_view word = text.substr(0, text.find_first_of(" \t=\";"));
  (void)vc::mps::GetAttributeValue(text, word);
  (void)vc::mps::GetWordAfter(text, word);
  (void)vc::mps::FindAttributeSlot(statement, statement.values[0]);
  for (int index = -1; index <= 18; ++index) (void)statement.Element(index);
  return 0;
}

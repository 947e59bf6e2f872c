#include "formats/mps/statement_reader.hpp"

#include <string_view>

#include "text/strings.hpp"

namespace vc::mps {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// A coordinate list may be broken after a comma; its parts are joined again
// without the indentation of the continued line.
void AppendContinuation(std::string& gathered, std::string_view raw, std::string_view bare,
                        bool continuesList) {
  if (continuesList) {
    gathered += bare;
  } else {
    gathered += kLineBreak;
    gathered += raw;
  }
}

}  // namespace

std::string ReadStatementText(text::LineSource& source) {
  std::string gathered;
  std::string raw;
  while (!source.AtEnd() && source.ReadLine(raw)) {
    const std::string_view spaced = text::TrimSpaces(raw);
    if (spaced.empty()) continue;
    const std::string_view bare = text::TrimBlanks(spaced);
    if (bare.starts_with("//")) return raw;
    const bool ends = bare.find(';') != std::string_view::npos;
    if (gathered.empty()) {
      if (ends) return raw;
      gathered = raw;
      continue;
    }
    // A line still open continues a list when the text so far ends with a
    // comma; the closing line only when it ends with a comma itself, so a
    // list whose last part stands on the closing line keeps a break there.
    const bool continuesList =
        ends ? bare.ends_with(',') : text::TrimTrailingSpaces(gathered).ends_with(',');
    AppendContinuation(gathered, raw, bare, continuesList);
    if (ends) return gathered;
  }
  return gathered;
}

MpsStatement ReadMpsStatement(text::LineSource& source) {
  if (source.AtEnd()) {
    MpsStatement statement;
    statement.kind = "EOF";
    return statement;
  }
  return ParseMpsStatement(ReadStatementText(source));
}

}  // namespace vc::mps

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
  // Whether the gathered text, its trailing spaces left aside, ends with a
  // comma. Kept as the lines come, since looking again at the end of the
  // text would rescan a run of trailing blanks for every line.
  bool gatheredEndsWithComma = false;
  while (!source.AtEnd() && source.ReadLine(raw)) {
    const std::string_view spaced = text::TrimSpaces(raw);
    if (spaced.empty()) continue;
    const std::string_view bare = text::TrimBlanks(spaced);
    if (bare.starts_with("//")) return raw;
    const bool ends = bare.find(';') != std::string_view::npos;
    if (gathered.empty()) {
      if (ends) return raw;
      gathered = raw;
      gatheredEndsWithComma = spaced.ends_with(',');
      continue;
    }
    // A line still open continues a list when the text so far ends with a
    // comma; the closing line only when it ends with a comma itself, so a
    // list whose last part stands on the closing line keeps a break there.
    const bool continuesList = ends ? bare.ends_with(',') : gatheredEndsWithComma;
    AppendContinuation(gathered, raw, bare, continuesList);
    if (ends) return gathered;
    // A line of TABs alone adds nothing when joined, and leaves the end as
    // it was; otherwise the end is that of what was appended.
    if (!continuesList) {
      gatheredEndsWithComma = spaced.ends_with(',');
    } else if (!bare.empty()) {
      gatheredEndsWithComma = bare.ends_with(',');
    }
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

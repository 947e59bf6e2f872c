#include "formats/mps/statement_reader.hpp"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "text/strings.hpp"

namespace vc::mps {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

// Replaces the text from `from` on with `kept`, a part of that same tail.
void KeepTail(std::string& text, std::size_t from, std::string_view kept) {
  // The empty part of a line of blanks is no view into the text at all.
  if (kept.empty()) {
    text.resize(from);
    return;
  }
  const auto offset = static_cast<std::size_t>(kept.data() - text.data());
  // The kept part never starts before `from`, so a forward copy is safe.
  std::copy(text.begin() + static_cast<std::ptrdiff_t>(offset),
            text.begin() + static_cast<std::ptrdiff_t>(offset + kept.size()),
            text.begin() + static_cast<std::ptrdiff_t>(from));
  text.resize(from + kept.size());
}

}  // namespace

// Each line is appended straight to the statement, after a line break, and
// then judged where it stands: a skipped line is cut off again and a list
// continued is moved over the break and its indentation, so no line is
// copied on its own.
void ReadStatementText(text::LineSource& source, std::string& gathered) {
  gathered.clear();
  // Whether the gathered text, its trailing spaces left aside, ends with a
  // comma. Kept as the lines come, since looking again at the end of the
  // text would rescan a run of trailing blanks for every line.
  bool gatheredEndsWithComma = false;
  while (!source.AtEnd()) {
    const std::size_t mark = gathered.size();
    if (mark > 0) gathered += kLineBreak;
    const std::size_t lineStart = gathered.size();
    if (!source.AppendLine(gathered)) {
      gathered.resize(mark);
      break;
    }
    const std::string_view raw = std::string_view(gathered).substr(lineStart);
    const std::string_view spaced = text::TrimSpaces(raw);
    if (spaced.empty()) {
      gathered.resize(mark);
      continue;
    }
    const std::string_view bare = text::TrimBlanks(spaced);
    if (bare.starts_with("//")) {
      // A comment drops what was gathered before it.
      gathered.erase(0, lineStart);
      return;
    }
    const bool ends = bare.find(';') != std::string_view::npos;
    if (mark == 0) {
      if (ends) return;
      gatheredEndsWithComma = spaced.ends_with(',');
      continue;
    }
    // A line still open continues a list when the text so far ends with a
    // comma; the closing line only when it ends with a comma itself, so a
    // list whose last part stands on the closing line keeps a break there.
    const bool bareEndsWithComma = bare.ends_with(',');
    const bool continuesList = ends ? bareEndsWithComma : gatheredEndsWithComma;
    // A line of TABs alone adds nothing when joined, and leaves the end as
    // it was; otherwise the end is that of what was appended.
    if (!continuesList) {
      gatheredEndsWithComma = spaced.ends_with(',');
    } else if (!bare.empty()) {
      gatheredEndsWithComma = bareEndsWithComma;
    }
    if (continuesList) KeepTail(gathered, mark, bare);
    if (ends) return;
  }
}

std::string ReadStatementText(text::LineSource& source) {
  std::string gathered;
  ReadStatementText(source, gathered);
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

// Cutting the next statement out of an MPS script, line by line.
//
// A statement ends with the first line that holds a ";" anywhere, even inside
// a quoted value, and text after that semicolon stays with the statement.
// Lines of spaces only are skipped. A line whose first non-blank characters
// are "//" is a comment and a statement of its own; it also drops whatever
// unfinished statement was gathered before it. Lines are joined with CR LF,
// except that a coordinate list broken after a comma is joined without a break:
//
//   <TAB><TAB>line<TAB>oid=""
//   <TAB><TAB><TAB><TAB>pos="35/1/2,139/3/4,
//   <TAB><TAB><TAB><TAB>35/1/3,139/3/5"
//   <TAB><TAB><TAB><TAB>str="[TR]a";
//
// gives the three lines
//   <TAB><TAB>line<TAB>oid=""
//   <TAB><TAB><TAB><TAB>pos="35/1/2,139/3/4,35/1/3,139/3/5"
//   <TAB><TAB><TAB><TAB>str="[TR]a";
// The closing line is judged by its own end: it is joined without a break
// only when it ends with a comma itself.
// Nothing is read ahead: the line with the semicolon is the last one taken.
#pragma once

#include <string>

#include "formats/mps/statement_parser.hpp"
#include "text/line_source.hpp"

namespace vc::mps {

// The text of the next statement; an unfinished statement at the end of the
// lines is returned as far as it goes, and empty when nothing was left.
[[nodiscard]] std::string ReadStatementText(text::LineSource& source);
// The same into `gathered`, whose storage is reused from one statement to
// the next.
void ReadStatementText(text::LineSource& source, std::string& gathered);

// The next statement parsed; kind "EOF" when no line is left.
[[nodiscard]] MpsStatement ReadMpsStatement(text::LineSource& source);

}  // namespace vc::mps

// Making the text of one MPS statement.
//
// A statement is built from its kind and up to sixteen values placed by the
// kind's attribute positions (keyword_table.hpp). Values go inside double
// quotes exactly as given: nothing is escaped, so a value holding a double
// quote reads back cut at that quote. Lines inside a statement are joined by
// CR LF; the text never ends with CR LF, the caller adds the line end.
//
//   "point" with gid "2510", pos "P" and str "S" (oid always written):
//   <TAB><TAB>point<TAB>oid=""<CR LF>
//   <TAB><TAB><TAB><TAB>gid="2510"<CR LF>
//   <TAB><TAB><TAB><TAB>pos="P"<CR LF>
//   <TAB><TAB><TAB><TAB>str="S";
//
// An unknown kind gives the line // Not Suport [kind] (with the format's own
// spelling), which reads back as a comment.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "formats/mps/keyword_table.hpp"

namespace vc::mps {

// values[k - 1] holds the value of attribute position k. Positions a kind
// does not use are ignored; an empty value leaves its attribute out, except
// at position 1, which is always written.
using MpsValues = std::array<std::string_view, kMpsValueCount>;

// The values of a "point" or "line" statement as the record writers pass them.
[[nodiscard]] MpsValues PointLineValues(std::string_view oid, std::string_view gid,
                                        std::string_view pos, std::string_view str,
                                        std::string_view info) noexcept;

// Appends the statement to `out` without building any intermediate text.
void AppendMpsStatement(std::string& out, std::string_view kind, const MpsValues& values);

}  // namespace vc::mps

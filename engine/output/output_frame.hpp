// What the output is, decided once before the first record: the datum and
// coordinate form its points are written in, the UTC offset of its times,
// and the datum a Waypoint+ output names in its datum line. Each of the
// first three may be "データ優先": every point then keeps its own.
//
// The options say what the user chose; the type rules then decide:
//   MPS        always the Tokyo datum, the "MPS" form and UTC+9;
//   GPX, KML   always WGS84, decimal degrees ("D") and UTC, as their rules say;
//   Waypoint+  UTC when the data decides the offset (the format's times are
//              UTC); from another type: the datum "Tokyo" when the data decides
//              (the datum line then names it too), and always the "DMS"
//              form for an MPS input; from Waypoint+: the datum line follows the datum option, or
//              names the input's own datum when the data decides.
// Readers stamp every record with the input's own datum, offset and form;
// writers read the frame and change neither the frame nor the records.
#pragma once

#include <string>
#include <string_view>

#include "engine/file_types.hpp"
#include "engine/options.hpp"

namespace vc::engine {

struct OutputFrame {
  std::string datum = kDataPriority;
  std::string coordFormat = kDataPriority;
  std::string utcOffset = kDataPriority;
  // The datum of a Waypoint+ output's datum line.
  std::string headerDatum;
};

// `inputFileDatum` is the datum a Waypoint+ input's datum line named
// (read when the input was opened); other inputs leave it empty.
OutputFrame DecideOutputFrame(FileType input, FileType output, const ConvertOptions& options,
                              std::string_view inputFileDatum);

}  // namespace vc::engine

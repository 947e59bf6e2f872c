// Not built yet: files of this type read as empty.
#include "engine/input/record_reader.hpp"

namespace vc::engine {
namespace {

class EmptyReader final : public RecordReader {
public:
  RecordKind ReadNextRecord(Conversion & /*conversion*/) override {
    return RecordKind::kEof;
  }
};

} // namespace

std::unique_ptr<RecordReader> MakeVrpReader(text::LineSource & /*lines*/) {
  return std::make_unique<EmptyReader>();
}
std::unique_ptr<RecordReader> MakeVrmReader(text::LineSource & /*lines*/) {
  return std::make_unique<EmptyReader>();
}
std::unique_ptr<RecordReader> MakeVrnReader(text::LineSource & /*lines*/) {
  return std::make_unique<EmptyReader>();
}

} // namespace vc::engine

// Not built yet: this type gets its header and trailer only.
#include "engine/output/record_writer.hpp"

namespace vc::engine {
namespace {

class SilentWriter final : public RecordWriter {
public:
  void WriteRecord(RecordKind /*kind*/, Conversion & /*conversion*/,
                   RecordText & /*output*/) override {}
};

} // namespace

std::unique_ptr<RecordWriter> MakeVrcWriter() {
  return std::make_unique<SilentWriter>();
}

} // namespace vc::engine

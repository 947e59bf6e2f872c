// The records a preview draws, collected from the engine's preview feed on
// the worker thread and handed to the window once the run has ended.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/preview.hpp"
#include "engine/records.hpp"

namespace vc::panel {

struct PreviewRecord {
  engine::RecordKind kind = engine::RecordKind::kNone;
  std::string name;
  std::size_t first = 0;  // its points are points[first] to points[first + count - 1]
  std::size_t count = 0;
};

struct PreviewData {
  std::vector<PreviewRecord> records;
  std::vector<engine::PreviewPoint> points;

  [[nodiscard]] bool Empty() const { return records.empty(); }
  [[nodiscard]] std::span<const engine::PreviewPoint> PointsOf(const PreviewRecord& record) const {
    return std::span(points).subspan(record.first, record.count);
  }
};

class PreviewCollector final : public engine::PreviewSink {
 public:
  void Record(engine::RecordKind kind, std::string_view name,
              std::span<const engine::PreviewPoint> points) override {
    data.records.push_back({kind, std::string(name), data.points.size(), points.size()});
    data.points.insert(data.points.end(), points.begin(), points.end());
  }

  PreviewData data;
};

}  // namespace vc::panel

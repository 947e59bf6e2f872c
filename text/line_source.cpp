#include "text/line_source.hpp"

namespace vc::text {

StringLineSource::StringLineSource(std::string_view text) : text_(text) {}

bool StringLineSource::AtEnd() const { return position_ >= text_.size(); }

bool LineSource::AppendLine(std::string& text) {
  std::string line;
  if (!ReadLine(line)) return false;
  text += line;
  return true;
}

bool LineSource::ReadLineView(std::string_view& line, std::string& storage) {
  if (!ReadLine(storage)) return false;
  line = storage;
  return true;
}

bool LineSource::ReadBlock(std::vector<std::string_view>& lines, std::string& storage) {
  lines.clear();
  storage.clear();
  std::size_t before = 0;
  bool any = false;
  while (AppendLine(storage)) {
    any = true;
    if (storage.size() == before) break;
    // The length for now; the place once the storage no longer grows.
    lines.emplace_back(storage.data(), storage.size() - before);
    before = storage.size();
  }
  std::size_t at = 0;
  for (std::string_view& line : lines) {
    line = std::string_view(storage).substr(at, line.size());
    at += line.size();
  }
  return any;
}

bool StringLineSource::ReadLine(std::string& line) {
  line.clear();
  return AppendLine(line);
}

bool StringLineSource::AppendLine(std::string& text) {
  if (AtEnd()) return false;
  std::size_t end = text_.find('\n', position_);
  const std::size_t next = end == std::string::npos ? text_.size() : end + 1;
  if (end == std::string::npos) end = text_.size();
  std::size_t length = end - position_;
  if (length > 0 && text_[position_ + length - 1] == '\r') --length;
  text.append(text_, position_, length);
  position_ = next;
  return true;
}

}  // namespace vc::text

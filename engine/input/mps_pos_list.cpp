#include "engine/input/mps_pos_list.hpp"

namespace vc::engine {

void SplitList(std::string_view text, char separator, std::vector<std::string_view>& items) {
  items.clear();
  if (text.empty()) return;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, start)) {
    items.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  items.push_back(text.substr(start));
}

std::string_view ListItem(const std::vector<std::string_view>& items, std::size_t number) noexcept {
  return number >= 1 && number <= items.size() ? items[number - 1] : std::string_view();
}

bool PosTokenizer::Next(std::string_view& token) {
  if (finished_) return false;
  const std::size_t start = next_;
  // The token is the slice [start, at) until a mark forces a copy.
  bool slice = true;
  std::size_t bangs = 0;
  std::size_t at = start;
  bool ended = false;
  for (; at < text_.size() && !ended; ++at) {
    const char c = text_[at];
    const bool moved = c == '!';
    if (moved || IsDropped(c)) {
      if (slice) {
        built_.assign(text_.substr(start, at - start));
        slice = false;
      }
      if (moved) ++bangs;
      continue;
    }
    if (c == ',') {
      ended = true;
      continue;
    }
    if (!slice) built_ += c;
    ended = c == '&';
  }
  next_ = at;
  finished_ = !ended;
  if (slice) {
    // A slice ended by "," leaves the comma out; one ended by "&" keeps it.
    const std::size_t end = ended && text_[at - 1] == ',' ? at - 1 : at;
    token = text_.substr(start, end - start);
    return true;
  }
  // Every "!" was put in front of the token as it stood; the order in which
  // they came does not show, so they are put there all at once.
  built_.insert(0, bangs, '!');
  token = built_;
  return true;
}

void ParsePosFirst(std::string_view pos, std::string& lat, std::string& lon) {
  PosTokenizer tokenizer(pos, false);
  std::string_view token;
  lat.clear();
  lon.clear();
  if (tokenizer.Next(token)) lat = token;
  if (tokenizer.Next(token)) lon = token;
}

}  // namespace vc::engine

#include "engine/input/mps_pos_list.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

namespace {

constexpr std::size_t kLowNibble = 0x0F;
// A shared length of this or more is written as this, the rest following.
constexpr std::size_t kSharedEscape = 14;
// The same for the length of the rest.
constexpr std::size_t kRestEscape = 15;
// A shared nibble of 15 says: the older item with its last byte replaced by
// the digit in the low nibble.
constexpr std::size_t kDigitForm = 15;
constexpr unsigned kDigitBits = 7;
constexpr unsigned kMoreDigits = 0x80;

// The most an item takes besides its own bytes: the byte of both lengths
// and the longest base-128 tails of two lengths.
constexpr std::size_t kMostItemHead = 1 + 2 * ((SIZE_WIDTH + kDigitBits - 1) / kDigitBits);
// Most items differ in a few bytes; those are copied as a block of this
// many bytes, whatever lies beyond them, where the buffers leave the room.
constexpr std::size_t kShortCopy = 16;

// The part of `length` a nibble cannot hold, in base 128.
char* PutLengthOverNibble(char* out, std::size_t length, std::size_t escape) noexcept {
  if (length < escape) return out;
  std::size_t over = length - escape;
  while (over >= kMoreDigits) {
    *out++ = static_cast<char>((over & (kMoreDigits - 1)) | kMoreDigits);
    over >>= kDigitBits;
  }
  *out++ = static_cast<char>(over);
  return out;
}

// The length of the prefix `item` shares with `older`, of at most `most`
// bytes, compared a word at a time as far as the words match.
std::size_t SharedPrefix(const char* item, const char* older, std::size_t most) noexcept {
  std::size_t shared = 0;
  for (; shared + sizeof(std::uint64_t) <= most; shared += sizeof(std::uint64_t)) {
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    std::memcpy(&a, item + shared, sizeof a);
    std::memcpy(&b, older + shared, sizeof b);
    // The byte that differs is found one at a time below.
    if (a != b) break;
  }
  while (shared < most && item[shared] == older[shared]) ++shared;
  return shared;
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// The packed form of one item: `shared` bytes of the item two before, then
// `rest`. `restRoom` bytes may be read from `rest` on; `out` has room for
// kMostItemHead + restSize + kShortCopy bytes.
char* PutItem(char* out, std::size_t shared, const char* rest, std::size_t restSize,
              std::size_t restRoom) noexcept {
  *out++ =
      static_cast<char>((std::min(shared, kSharedEscape) << 4) | std::min(restSize, kRestEscape));
  out = PutLengthOverNibble(out, shared, kSharedEscape);
  out = PutLengthOverNibble(out, restSize, kRestEscape);
  if (restSize <= kShortCopy && restRoom >= kShortCopy) {
    std::memcpy(out, rest, kShortCopy);
    return out + restSize;
  }
  return std::copy_n(rest, restSize, out);
}

}  // namespace

// One pass over the text: the prefix an item shares with the item two
// before it is found on the way to the comma that ends it. The place written
// is kept in locals, since a store through a char pointer could be a store
// to any member.
PackedPosList::PackedPosList(std::string_view pos) : textBytes_(pos.size()) {
  // A few bytes a point of some 23. Storage reserved and never written is
  // never touched, so a generous guess costs no memory, and nothing has to
  // be copied to give back the unused end.
  Reserve(pos.size() / 2 + kMostItemHead + kShortCopy);
  char* out = bytes_.get();
  const char* limit = out + capacity_;
  const char* const end = pos.data() + pos.size();
  const char* item = pos.data();
  std::string_view older;
  std::string_view newer;
  while (true) {
    // An item holds no comma, so matching `older` never runs over one.
    const std::size_t shared = SharedPrefix(
        item, older.data(), std::min(older.size(), static_cast<std::size_t>(end - item)));
    const char* itemEnd = item + shared;
    while (itemEnd != end && *itemEnd != ',') ++itemEnd;
    const auto size = static_cast<std::size_t>(itemEnd - item);
    const std::size_t most = kMostItemHead + size - shared + kShortCopy;
    if (static_cast<std::size_t>(limit - out) < most) {
      size_ = static_cast<std::size_t>(out - bytes_.get());
      Reserve(std::max(2 * capacity_, size_ + most));
      out = bytes_.get() + size_;
      limit = bytes_.get() + capacity_;
    }
    if (size == older.size() && shared + 1 == size && IsDigit(item[shared])) {
      // A tenth of a second on: the commonest change of all.
      *out++ = static_cast<char>((kDigitForm << 4) | static_cast<std::size_t>(item[shared] - '0'));
    } else {
      out = PutItem(out, shared, item + shared, size - shared,
                    static_cast<std::size_t>(end - item) - shared);
    }
    if (itemEnd == end) break;
    older = newer;
    newer = std::string_view(item, size);
    item = itemEnd + 1;
  }
  size_ = static_cast<std::size_t>(out - bytes_.get());
  // The pieces read a short copy's width past the end; those bytes are set.
  std::fill_n(out, kShortCopy, '\0');
}

void PackedPosList::Reserve(std::size_t bytes) {
  if (bytes <= capacity_) return;
  auto grown = std::make_unique_for_overwrite<char[]>(bytes);
  std::copy_n(bytes_.get(), size_, grown.get());
  bytes_ = std::move(grown);
  capacity_ = bytes;
}

std::string PackedPosList::Unpack() const {
  PackedPosPieces pieces(*this, SIZE_MAX);
  std::string_view text;
  pieces.Next(text);
  return std::string(text);
}

PackedPosPieces::PackedPosPieces(const PackedPosList& list, std::size_t pieceBytes)
    : packed_(list.bytes_.get(), list.size_), pieceBytes_(std::max<std::size_t>(pieceBytes, 1)) {
  text_.resize(std::min(pieceBytes_, list.TextBytes()) + 2 * kShortCopy);
}

bool PackedPosPieces::Next(std::string_view& piece) {
  if (at_ >= packed_.size()) return false;
  KeepLastTwoItems();
  const std::size_t start = used_;
  while (at_ < packed_.size() && used_ - start < pieceBytes_) {
    if (!AppendShortItems(start)) AppendItem();
  }
  // Without the comma after the last item.
  piece = std::string_view(text_).substr(start, used_ - 1 - start);
  return true;
}

// The common case, kept apart and in locals (a store through a char pointer
// could be a store to any member): items whose lengths fit their nibbles,
// copied as short blocks. Every read stays inside the buffers, the packed
// list's zeroed end included, even where a damaged form would say more.
bool PackedPosPieces::AppendShortItems(std::size_t start) {
  const char* const packed = packed_.data();
  const std::size_t packedSize = packed_.size();
  char* const text = text_.data();
  const std::size_t room = text_.size();
  std::size_t at = at_;
  std::size_t used = used_;
  Item older = older_;
  Item newer = newer_;
  bool taken = true;
  while (at < packedSize && used - start < pieceBytes_) {
    const auto lengths = static_cast<unsigned char>(packed[at]);
    const std::size_t high = lengths >> 4;
    const std::size_t low = lengths & kLowNibble;
    const bool digit = high == kDigitForm;
    if (room - used < 2 * kShortCopy ||
        (digit ? older.size - 1 >= kShortCopy : high == kSharedEscape || low == kRestEscape)) {
      taken = false;
      break;
    }
    ++at;
    char* const out = text + used;
    // The older item may run into the place written; a block of 16 is read
    // whole before it is written.
    std::memmove(out, text + older.offset, kShortCopy);
    std::size_t size = 0;
    if (digit) {
      size = older.size;
      out[size - 1] = static_cast<char>('0' + low);
    } else {
      std::memcpy(out + high, packed + at, kShortCopy);
      size = high + low;
      at += low;
    }
    out[size] = ',';
    older = newer;
    newer = Item{used, size};
    used += size + 1;
  }
  at_ = at;
  used_ = used;
  older_ = older;
  newer_ = newer;
  return taken;
}

// The items of the next piece are unpacked against these two.
void PackedPosPieces::KeepLastTwoItems() {
  const std::size_t from = older_.offset;
  if (from == 0) return;
  std::copy(text_.begin() + static_cast<std::ptrdiff_t>(from),
            text_.begin() + static_cast<std::ptrdiff_t>(used_), text_.begin());
  older_.offset -= from;
  newer_.offset -= from;
  used_ -= from;
}

void PackedPosPieces::AppendItem() {
  const auto lengths = static_cast<unsigned char>(packed_[at_++]);
  const bool digit = (lengths >> 4) == kDigitForm;
  // The clamps only keep a damaged form inside its buffers; a list this
  // class packed never needs them.
  const std::size_t shared = digit ? older_.size - std::min<std::size_t>(older_.size, 1)
                                   : std::min(ReadLength(lengths >> 4, kSharedEscape), older_.size);
  const std::size_t rest =
      digit ? 0 : std::min(ReadLength(lengths & kLowNibble, kRestEscape), packed_.size() - at_);
  const std::size_t size = shared + rest + (digit ? 1 : 0);
  if (text_.size() - used_ < size + 1 + kShortCopy) {
    text_.resize(std::max(used_ + size + 1 + kShortCopy, 2 * text_.size()));
  }
  // The older item lies before the end, and the packed list has a short
  // copy's width of bytes after its last.
  char* const out = text_.data() + used_;
  const char* const olderItem = text_.data() + older_.offset;
  if (shared <= kShortCopy) {
    // The source may run into the destination; a block of 16 is read whole
    // before it is written.
    std::memmove(out, olderItem, kShortCopy);
  } else {
    std::copy_n(olderItem, shared, out);
  }
  if (digit) {
    out[shared] = static_cast<char>('0' + (lengths & kLowNibble));
  } else if (rest <= kShortCopy) {
    std::memcpy(out + shared, packed_.data() + at_, kShortCopy);
  } else {
    std::copy_n(packed_.data() + at_, rest, out + shared);
  }
  out[size] = ',';
  at_ += rest;
  older_ = newer_;
  newer_ = Item{used_, size};
  used_ += size + 1;
}

std::size_t PackedPosPieces::ReadLength(std::size_t nibble, std::size_t escape) {
  if (nibble < escape) return nibble;
  std::size_t over = 0;
  unsigned shift = 0;
  while (at_ < packed_.size() && shift < SIZE_WIDTH) {
    const auto digit = static_cast<unsigned char>(packed_[at_++]);
    over |= static_cast<std::size_t>(digit & (kMoreDigits - 1)) << shift;
    if ((digit & kMoreDigits) == 0) break;
    shift += kDigitBits;
  }
  return escape + over;
}

}  // namespace vc::engine

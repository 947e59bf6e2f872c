// The writing side of the record stream: one writer per output type. Each
// call turns the record now in the buffers into text: its lines joined by
// CR LF, printed as one piece with a final CR LF. A record that makes no text
// prints nothing.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/conversion.hpp"
#include "engine/records.hpp"
#include "engine/text_file.hpp"

namespace vc::engine {

// The text of one record as it is built. A long record hands finished parts
// to the file as it goes (only between statements or lines, never inside a
// character), so a million-point track is never held as one text; the bytes
// written are the same as one print of the whole text.
class RecordText {
 public:
  explicit RecordText(OutputTextFile& file) : file_(file) {}
  std::string& text() noexcept { return text_; }
  // Hands the text so far and then `piece`, a finished part of the record,
  // to the file: the piece is copied once, into the file's buffer.
  void AddFinished(std::string_view piece) {
    if (piece.empty()) return;
    if (!text_.empty()) FlushNow();
    file_.Write(piece);
    flushed_ = true;
  }
  // Hands the text so far to the file once it has grown large.
  void FlushIfLarge() {
    if (text_.size() >= kFlushSize) FlushNow();
  }
  [[nodiscard]] bool Empty() const noexcept { return !flushed_ && text_.empty(); }
  // Whether the file has failed a write: the rest of the record is wasted.
  [[nodiscard]] bool Failed() const noexcept { return file_.Failed(); }
  // Prints the rest of the record and its final CR LF; nothing for an empty record.
  void Finish() {
    if (Empty()) return;
    file_.WriteLine(text_);
    Reset();
  }
  void Reset() noexcept {
    text_.clear();
    flushed_ = false;
  }

 private:
  static constexpr std::size_t kFlushSize = 1 << 20;
  void FlushNow() {
    file_.Write(text_);
    text_.clear();
    flushed_ = true;
  }

  OutputTextFile& file_;
  std::string text_;
  bool flushed_ = false;
};

class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  // The file's header, before the first record. False, with the reason
  // shown, when it cannot be made.
  virtual bool WriteHeader(OutputTextFile& /*output*/, Conversion& /*conversion*/) { return true; }
  virtual void WriteRecord(RecordKind kind, Conversion& conversion, RecordText& output) = 0;
  // The file's trailer, once every record is written.
  virtual void WriteTrailer(OutputTextFile& /*output*/, Conversion& /*conversion*/) {}
};

// A writer with one method per record kind; kinds other than the three write
// nothing. Prepare runs first for every record.
class KindWriter : public RecordWriter {
 public:
  void WriteRecord(RecordKind kind, Conversion& conversion, RecordText& output) final {
    Prepare(conversion);
    switch (kind) {
      case RecordKind::kWpt:
        WriteWaypoint(conversion, output);
        break;
      case RecordKind::kRte:
        WriteRoute(conversion, output);
        break;
      case RecordKind::kTrk:
        WriteTrack(conversion, output);
        break;
      default:
        break;
    }
  }

 private:
  virtual void Prepare(Conversion& /*conversion*/) {}
  virtual void WriteWaypoint(Conversion& conversion, RecordText& output) = 0;
  virtual void WriteRoute(Conversion& conversion, RecordText& output) = 0;
  virtual void WriteTrack(Conversion& conversion, RecordText& output) = 0;
};

std::unique_ptr<RecordWriter> MakeMpsWriter();
std::unique_ptr<RecordWriter> MakeWaypointPlusWriter();
std::unique_ptr<RecordWriter> MakeVrcWriter();
std::unique_ptr<RecordWriter> MakeGpxWriter();
std::unique_ptr<RecordWriter> MakeKmlWriter();

}  // namespace vc::engine

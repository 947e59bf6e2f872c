// CP932 through iconv (glibc names Microsoft's Japanese code page "CP932").
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/text_file.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

iconv_t AsIconv(void* handle) { return static_cast<iconv_t>(handle); }
bool IsOpen(void* handle) { return handle != reinterpret_cast<void*>(-1); }

// Runs one iconv conversion, replacing what cannot be converted.
void Convert(void* handle, std::string_view in, std::string& out, std::string_view replacement,
             bool skipWholeCharacter) {
  if (!IsOpen(handle)) {
    out.append(in);
    return;
  }
  iconv_t cd = AsIconv(handle);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  std::array<char, 4096> buf{};
  while (inLeft > 0) {
    char* outPtr = buf.data();
    std::size_t outLeft = buf.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buf.data(), buf.size() - outLeft);
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: an unconvertible or cut-off sequence.
    out.append(replacement);
    std::size_t skip = 1;
    if (skipWholeCharacter) {
      const std::string_view rest(inPtr, inLeft);
      skip = text::LeftChars(rest, 1).size();
    }
    inPtr += skip;
    inLeft -= skip;
  }
  char* outPtr = buf.data();
  std::size_t outLeft = buf.size();
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buf.data(), buf.size() - outLeft);
}

}  // namespace

Cp932Codec::Cp932Codec() : decoder_(iconv_open("UTF-8", "CP932")) {
  if (!IsOpen(decoder_)) openError_ = errno;
  encoder_ = iconv_open("CP932", "UTF-8");
  if (!IsOpen(encoder_) && openError_ == 0) openError_ = errno;
}

std::string Cp932Codec::Problem() const {
  if (IsOpen(decoder_) && IsOpen(encoder_)) return {};
  return "No CP932 converter (iconv): " + std::string(std::strerror(openError_));
}

Cp932Codec::~Cp932Codec() {
  if (IsOpen(decoder_)) iconv_close(AsIconv(decoder_));
  if (IsOpen(encoder_)) iconv_close(AsIconv(encoder_));
}

void Cp932Codec::Decode(std::string_view cp932, std::string& utf8) {
  Convert(decoder_, cp932, utf8, kReplacementCharacter, false);
}

void Cp932Codec::Encode(std::string_view utf8, std::string& cp932) {
  Convert(encoder_, utf8, cp932, "?", true);
}

}  // namespace vc::engine

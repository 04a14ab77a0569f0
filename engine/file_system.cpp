// The platform-neutral part of the file-system layer: line splitting over
// raw reads, and buffered writing.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "engine/error.h"
#include "engine/file_system_detail.h"
#include "engine/paths.h"

namespace xpconv {

std::unique_ptr<RunLock> FileSystem::LockRun(const std::string& /*path*/) {
  return std::make_unique<RunLock>();
}

std::string FileSystem::AbsolutePath(const std::string& path) {
  return WithoutDots(SpelledPath(path));
}

std::string_view LineEndBytes(LineEnd end) {
  switch (end) {
    case LineEnd::kCrLf:
      return "\r\n";
    case LineEnd::kLf:
      return "\n";
    case LineEnd::kCr:
      return "\r";
    case LineEnd::kNone:
      break;
  }
  return "";
}

}  // namespace xpconv

namespace xpconv::fs_detail {

namespace {

// The line-end scan reads whole 16-byte blocks, so it may look at up to 15
// bytes behind the last byte read into the buffer.
constexpr size_t kScanPadding = 16;

// The first CR or LF in data[from, end), or end. One pass finds either byte:
// form lines are short (30 to 60 bytes), so a pass per byte value (memchr
// for CR, then for LF) costs more in calls than in scanning. data must have
// kScanPadding readable bytes behind end; what they hold does not matter.
size_t FindLineEnd(const char* data, size_t from, size_t end) {
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (size_t i = from; i < end; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const unsigned hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
    if (hits != 0) return std::min(end, i + static_cast<size_t>(std::countr_zero(hits)));
  }
  return end;
#else
  for (size_t i = from; i < end; ++i) {
    if (data[i] == '\r' || data[i] == '\n') return i;
  }
  return end;
#endif
}

}  // namespace

[[noreturn]] void ThrowClosed() {
  throw MakeError(err::kBadFileNameOrNumber);
}

// ---------------------------------------------------------------- input ---

BufferedInputFile::BufferedInputFile(int64_t length)
    : buffer_(new char[kBufferSize + kScanPadding]), length_(length) {}

void BufferedInputFile::CheckOpen() const {
  if (closed_) ThrowClosed();
}

bool BufferedInputFile::Fill() {
  begin_ = end_ = 0;
  if (eof_) return false;
  size_t got = ReadRaw(buffer_.get(), kBufferSize);
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ = got;
  // The scan behind the last byte must see defined bytes, or memory
  // checkers rightly complain about a branch on them.
  std::memset(buffer_.get() + end_, 0, kScanPadding);
  return true;
}

size_t BufferedInputFile::NextLineEnd() {
  return FindLineEnd(buffer_.get(), begin_, end_);
}

void BufferedInputFile::ConsumeLineEnd(size_t at) {
  position_ += static_cast<int64_t>(at - begin_ + 1);
  begin_ = at + 1;
  last_end_ = LineEnd::kLf;
  if (buffer_[at] == '\r') {
    last_end_ = LineEnd::kCr;
    // The LF of a CR LF may be the first byte of the next buffer.
    if (begin_ == end_) Fill();
    if (begin_ < end_ && buffer_[begin_] == '\n') {
      ++begin_;
      ++position_;
      last_end_ = LineEnd::kCrLf;
    }
  }
}

std::string BufferedInputFile::ReadLine() {
  std::string line;
  ReadLineInto(line);
  return line;
}

void BufferedInputFile::ReadLineInto(std::string& line) {
  CheckOpen();
  if (begin_ == end_ && !Fill()) throw MakeError(err::kInputPastEnd);
  size_t hit = NextLineEnd();
  if (hit < end_) {
    // The common case: the whole line is in the buffer. assign() reuses
    // line's capacity, so a caller's string stops allocating after the
    // longest line so far.
    line.assign(buffer_.get() + begin_, hit - begin_);
    ConsumeLineEnd(hit);
    return;
  }
  line.clear();
  for (;;) {
    if (hit == end_) {
      // The line goes on in the next buffer, or is the last line and has no
      // line end.
      line.append(buffer_.get() + begin_, end_ - begin_);
      position_ += static_cast<int64_t>(end_ - begin_);
      begin_ = end_;
      if (!Fill()) {
        last_end_ = LineEnd::kNone;
        return;
      }
      hit = NextLineEnd();
      continue;
    }
    line.append(buffer_.get() + begin_, hit - begin_);
    ConsumeLineEnd(hit);
    return;
  }
}

bool BufferedInputFile::ReadLinePiece(std::string& part, size_t limit) {
  CheckOpen();
  // A piece that did not end its line left at least one byte of the line
  // behind it, so only a new line can meet the end of the file here.
  if (begin_ == end_ && !Fill()) throw MakeError(err::kInputPastEnd);
  part.clear();
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      last_end_ = LineEnd::kNone;  // the last line, without a line end
      return true;
    }
    const size_t room = limit - part.size();
    const size_t stop = end_ - begin_ <= room ? end_ : begin_ + room;
    const size_t hit = FindLineEnd(buffer_.get(), begin_, stop);
    part.append(buffer_.get() + begin_, hit - begin_);
    position_ += static_cast<int64_t>(hit - begin_);
    begin_ = hit;
    if (hit < stop) {
      ConsumeLineEnd(hit);
      return true;
    }
    if (part.size() == limit) {
      // A full piece: when its line ends right behind it, say so now, so
      // that a false answer always leaves bytes of the line to read.
      if (begin_ == end_ && !Fill()) {
        last_end_ = LineEnd::kNone;
        return true;
      }
      if (buffer_[begin_] != '\r' && buffer_[begin_] != '\n') return false;
      ConsumeLineEnd(begin_);
      return true;
    }
  }
}

bool BufferedInputFile::AtEnd() {
  CheckOpen();
  if (begin_ < end_) return false;
  return !Fill();
}

int64_t BufferedInputFile::Position() {
  CheckOpen();
  return position_;
}

int64_t BufferedInputFile::Length() {
  CheckOpen();
  return length_;
}

bool BufferedInputFile::ReadChunk(std::string& chunk, size_t limit) {
  CheckOpen();
  chunk.clear();
  if (begin_ == end_ && !Fill()) return false;
  const size_t size = std::min(limit, end_ - begin_);
  chunk.assign(buffer_.get() + begin_, size);
  begin_ += size;
  position_ += static_cast<int64_t>(size);
  return true;
}

std::string BufferedInputFile::ReadAll() {
  CheckOpen();
  std::string all(buffer_.get() + begin_, end_ - begin_);
  position_ += static_cast<int64_t>(end_ - begin_);
  begin_ = end_;
  if (!eof_) {
    if (length_ > position_) all.reserve(static_cast<size_t>(length_ - position_) + 1);
    for (;;) {
      size_t old = all.size();
      // Read straight into the result; the file may have grown since it was
      // opened, so read until the system says it is at the end.
      size_t want = std::max(kBufferSize, all.capacity() - old);
      all.resize(old + want);
      size_t got = ReadRaw(all.data() + old, want);
      all.resize(old + got);
      position_ += static_cast<int64_t>(got);
      if (got == 0) break;
    }
    eof_ = true;
  }
  return all;
}

void BufferedInputFile::Close() {
  if (closed_) return;
  closed_ = true;
  begin_ = end_ = 0;
  CloseRaw();
}

// --------------------------------------------------------------- output ---

BufferedOutputFile::BufferedOutputFile() : buffer_(new char[kBufferSize]) {}

void BufferedOutputFile::CheckOpen() const {
  if (closed_) ThrowClosed();
}

void BufferedOutputFile::Flush() {
  if (used_ == 0) return;
  size_t size = used_;
  // Forget the bytes before writing: after a failure they are reported once,
  // not written again by a later flush.
  used_ = 0;
  WriteRaw(buffer_.get(), size);
}

void BufferedOutputFile::Append(const char* data, size_t size) {
  // Nothing to write (an empty view may have no data at all).
  if (size == 0) return;
  if (size > kBufferSize - used_) {
    Flush();
    if (size >= kBufferSize) {
      WriteRaw(data, size);
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, data, size);
  used_ += size;
}

void BufferedOutputFile::WriteLine(std::string_view line) {
  CheckOpen();
  if (line.size() + 2 <= kBufferSize - used_) {
    char* out = buffer_.get() + used_;
    std::memcpy(out, line.data(), line.size());
    out[line.size()] = '\r';
    out[line.size() + 1] = '\n';
    used_ += line.size() + 2;
    return;
  }
  Append(line.data(), line.size());
  Append("\r\n", 2);
}

void BufferedOutputFile::Write(std::string_view bytes) {
  CheckOpen();
  Append(bytes.data(), bytes.size());
}

void BufferedOutputFile::Close() {
  if (closed_) return;
  closed_ = true;
  try {
    Flush();
  } catch (...) {
    // The handle is released even when the last bytes could not be written;
    // the write error is the one worth reporting.
    try {
      CloseRaw();
    } catch (...) {
    }
    throw;
  }
  CloseRaw();
}

void BufferedOutputFile::FlushQuietly() noexcept {
  if (closed_) return;
  try {
    Flush();
  } catch (...) {
  }
}

}  // namespace xpconv::fs_detail

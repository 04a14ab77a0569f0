// Pieces shared by the POSIX and the Windows half of the file-system layer:
// the buffered line reader and writer, so both platforms split lines the same
// way. Not for use outside the file-system layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/file_system.h"

namespace xpconv::fs_detail {

// Reads and writes move through buffers of this size: large enough that a
// system call per buffer costs nothing next to the work on the lines.
inline constexpr size_t kBufferSize = 64 * 1024;

// An input file over one operating-system handle. The line splitting lives
// here; the platform half only supplies raw reads.
class BufferedInputFile : public InputFile {
 public:
  BufferedInputFile(int64_t length);
  ~BufferedInputFile() override = default;

  std::string ReadLine() final;
  void ReadLineInto(std::string& line) final;
  bool ReadLinePiece(std::string& part, size_t limit) final;
  LineEnd LastLineEnd() const final { return last_end_; }
  bool ReadChunk(std::string& chunk, size_t limit) final;
  bool AtEnd() final;
  int64_t Position() final;
  int64_t Length() final;
  std::string ReadAll() final;
  void Close() final;

 protected:
  // Reads up to size bytes; 0 at the end of the file. Raises on failure.
  virtual size_t ReadRaw(char* data, size_t size) = 0;
  // Releases the handle. Raises on failure; called at most once.
  virtual void CloseRaw() = 0;

 private:
  // Refills the empty buffer; false at the end of the file.
  bool Fill();
  // The next CR or LF at or after begin_; end_ when the buffer holds none.
  size_t NextLineEnd();
  // Hands out the line end at buffer index at (CR, LF or CR LF).
  void ConsumeLineEnd(size_t at);
  void CheckOpen() const;

  std::unique_ptr<char[]> buffer_;
  size_t begin_ = 0;  // first byte not yet handed out
  size_t end_ = 0;    // one past the last byte read into the buffer
  bool eof_ = false;
  bool closed_ = false;
  int64_t position_ = 0;
  int64_t length_;
  LineEnd last_end_ = LineEnd::kNone;
};

// An output file over one operating-system handle.
class BufferedOutputFile : public OutputFile {
 public:
  BufferedOutputFile();
  ~BufferedOutputFile() override = default;

  void WriteLine(std::string_view line) final;
  void Write(std::string_view bytes) final;
  void Close() final;

 protected:
  // Writes every byte or raises.
  virtual void WriteRaw(const char* data, size_t size) = 0;
  virtual void CloseRaw() = 0;
  // For the destructor of the platform half: writes what is buffered and
  // ignores failures, since a destructor must not throw.
  void FlushQuietly() noexcept;
  bool closed() const { return closed_; }

 private:
  void Append(const char* data, size_t size);
  void Flush();
  void CheckOpen() const;

  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  bool closed_ = false;
};

// The error raised by an operation on a file that was already closed.
[[noreturn]] void ThrowClosed();

}  // namespace xpconv::fs_detail

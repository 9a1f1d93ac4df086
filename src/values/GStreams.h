// Byte streams: the abstract stream with memory and file implementations, the
// buffered stream that wraps another stream (read-ahead, write-behind, one
// character of push-back) and the text stream built on it, which reads and
// writes characters and lines.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace fxe {

// Where a seek counts from. soEnd counts back from the end: offset 0 is the
// size of the stream, offset 3 three bytes before it. Any other value raises
// "Invalid Origin Point specified: %s".
enum TSeekOrigin : std::int32_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// A readable, writable, seekable sequence of bytes.
class TGStream {
 public:
  virtual ~TGStream() = default;

  // Copies up to count bytes from the current position; returns how many.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes at the current position; returns how many were written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position and returns it; a position before the start raises
  // "Invalid stream position: %s".
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size() const = 0;
  virtual std::int64_t Position() const = 0;
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }

 protected:
  TGStream() = default;
  TGStream(const TGStream&) = default;
  TGStream& operator=(const TGStream&) = default;
};

// A stream over bytes held in memory. Writing past the end extends the data;
// a gap left by seeking beyond the end is filled with zero bytes.
class TGStringStream final : public TGStream {
 public:
  TGStringStream() = default;
  explicit TGStringStream(std::string data) noexcept : data_(std::move(data)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
  std::int64_t Position() const override { return position_; }

  const std::string& DataString() const noexcept { return data_; }

 private:
  std::string data_;
  std::int64_t position_ = 0;
};

// How a file is opened: Create makes a new empty file (emptying an existing
// one) for reading and writing; the Open modes need an existing file.
enum class TFileMode : std::uint8_t { Create, OpenRead, OpenWrite, OpenReadWrite };

// A stream over a file, in binary mode (line ends are bytes like any other).
// A file that cannot be opened raises "Cannot open file \"%s\"".
class TGFileStream final : public TGStream {
 public:
  TGFileStream(const std::string& fileName, TFileMode mode);
  TGFileStream(const TGFileStream&) = delete;
  TGFileStream& operator=(const TGFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override;
  std::int64_t Position() const override;

  const std::string& FileName() const noexcept { return fileName_; }

 private:
  enum class ELastOp : std::uint8_t { None, Read, Write };
  // A file buffer must be repositioned between reading and writing.
  void SwitchTo(ELastOp op);

  std::string fileName_;
  mutable std::filebuf file_;
  ELastOp lastOp_ = ELastOp::None;
};

// A stream wrapping another one through an 8192-byte buffer. The buffer holds
// either bytes read ahead or bytes written and not yet flushed. The wrapped
// stream is not owned unless it was handed over as a unique_ptr.
class TGBufferStream : public TGStream {
 public:
  static constexpr std::size_t BufferSize = 8192;

  enum TBufferState : std::uint8_t { bsEmpty = 0, bsReadAhead = 1, bsUnflushed = 2 };
  using TStreamEvent = std::function<void(TGBufferStream&)>;

  explicit TGBufferStream(TGStream& stream);
  explicit TGBufferStream(std::unique_ptr<TGStream> stream);
  // Flushes what is still buffered; a failure at this point is not reported.
  ~TGBufferStream() override;
  TGBufferStream(const TGBufferStream&) = delete;
  TGBufferStream& operator=(const TGBufferStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  // Stops early when a flush of the full buffer is short.
  std::size_t Write(const void* buffer, std::size_t count) override;
  // soEnd counts back from the end. Seeking to the current
  // logical position does nothing; otherwise unflushed bytes are written
  // ("Error seeking in buffer" when that fails) and the buffer is emptied.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() const override;
  // The wrapped stream's position less the bytes read ahead, or plus the
  // bytes not yet flushed.
  std::int64_t Position() const override;

  // The next byte (0..255), or -1 at the end of the input.
  int ReadByte() {
    if (current_ < end_) return static_cast<unsigned char>(buffer_[current_++]);
    return ReadByteSlow();
  }
  // Puts one byte back before the read position; after a read one byte can
  // always be put back. Raises "Overflow on push back" when the read position
  // is at the start of the buffer.
  void PushBack(char c);
  // True when nothing is left in the buffer and the wrapped stream is at its end.
  bool Eof() const;
  // Writes the unflushed bytes; false when the wrapped stream took fewer.
  bool Flush();

  TGStream& Stream() const noexcept { return *stream_; }
  bool OwnsStream() const noexcept { return owned_ != nullptr; }
  TBufferState BufferState() const noexcept { return state_; }

  const TStreamEvent& OnAfterFill() const noexcept { return onAfterFill_; }
  void SetOnAfterFill(TStreamEvent handler) { onAfterFill_ = std::move(handler); }
  const TStreamEvent& OnAfterFlush() const noexcept { return onAfterFlush_; }
  void SetOnAfterFlush(TStreamEvent handler) { onAfterFlush_ = std::move(handler); }

 private:
  int ReadByteSlow();
  // One read of up to BufferSize bytes; false when nothing arrived.
  bool Fill();

  std::unique_ptr<TGStream> owned_;
  TGStream* stream_;
  std::unique_ptr<char[]> buffer_;
  // Reading: the unread bytes are [current_, end_). Writing: the unflushed
  // bytes are [0, current_) and end_ is 0, so ReadByte always takes the slow path.
  std::size_t current_ = 0;
  std::size_t end_ = 0;
  TBufferState state_ = bsEmpty;
  TStreamEvent onAfterFill_;
  TStreamEvent onAfterFlush_;
};

// Characters and lines over a buffered stream.
class TGTextStream : public TGBufferStream {
 public:
  using TCharSet = std::bitset<256>;

  explicit TGTextStream(TGStream& stream);
  explicit TGTextStream(std::unique_ptr<TGStream> stream);
  // Opens the file itself and frees it with the text stream.
  TGTextStream(const std::string& fileName, TFileMode mode);

  // The characters SkipBlanks passes over: initially blank, CR, LF and tab.
  const TCharSet& WhiteSpace() const noexcept { return whiteSpace_; }
  void SetWhiteSpace(const TCharSet& chars) noexcept { whiteSpace_ = chars; }

  // The next character; false at the end of the input.
  virtual bool ReadChar(char& c);
  // The characters up to CR, LF or CR LF, which is consumed but not returned;
  // false at the end of the input when nothing was read.
  bool ReadLine(std::string& line);
  std::string ReadLine();
  // Skips white space up to and including one line end; true when a line end
  // was consumed. Stops before the first character that is not white space.
  bool SkipBlanks();

  // The writers raise "Error writing to stream" when the stream takes fewer bytes.
  void WriteChar(char c);
  void WriteText(std::string_view text);
  // The text followed by CR LF.
  void WriteLine(std::string_view text);
  void WriteCRLF();

 private:
  TCharSet whiteSpace_;
};

}  // namespace fxe

// Memory, file, buffered and text streams.
#include "values/GStreams.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

namespace {

// a + b, held at the limits of the 64-bit range instead of wrapping.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) noexcept {
  std::int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// The absolute position a seek asks for; a position before the start raises.
std::int64_t SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t current, std::int64_t size) {
  std::int64_t target = 0;
  switch (origin) {
    case soBeginning:
      target = offset;
      break;
    case soCurrent:
      target = SaturatingAdd(current, offset);
      break;
    case soEnd:
      // Counts back from the end.
      target = offset == std::numeric_limits<std::int64_t>::min() ? std::numeric_limits<std::int64_t>::max()
                                                                  : SaturatingAdd(size, -offset);
      break;
    default:
      Raise<EGStreamError>(IEConsts::SInvalidOrigin, static_cast<int>(origin));
  }
  if (target < 0) Raise<EGStreamError>(IEConsts::SInvalidStreamPosition, target);
  return target;
}

}  // namespace

// --- TGStringStream --------------------------------------------------------

std::size_t TGStringStream::Read(void* buffer, std::size_t count) {
  const auto size = static_cast<std::int64_t>(data_.size());
  if (position_ >= size || count == 0) return 0;
  const std::size_t n = std::min(count, static_cast<std::size_t>(size - position_));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

std::size_t TGStringStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const auto position = static_cast<std::size_t>(position_);
  if (position > data_.size()) data_.resize(position, '\0');
  const std::size_t overlap = std::min(count, data_.size() - position);
  data_.replace(position, overlap, static_cast<const char*>(buffer), count);
  position_ += static_cast<std::int64_t>(count);
  return count;
}

std::int64_t TGStringStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, Size());
  return position_;
}

// --- TGFileStream ----------------------------------------------------------

TGFileStream::TGFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
  std::ios::openmode openMode = std::ios::binary;
  switch (mode) {
    case TFileMode::Create:
      openMode |= std::ios::in | std::ios::out | std::ios::trunc;
      break;
    case TFileMode::OpenRead:
      openMode |= std::ios::in;
      break;
    case TFileMode::OpenWrite:
    case TFileMode::OpenReadWrite:
      // Without in, out would empty the file.
      openMode |= std::ios::in | std::ios::out;
      break;
  }
  if (!file_.open(fileName, openMode)) Raise<EGStreamError>(IEConsts::SCannotOpenFile, fileName);
}

void TGFileStream::SwitchTo(ELastOp op) {
  if (lastOp_ != ELastOp::None && lastOp_ != op) file_.pubseekoff(0, std::ios::cur);
  lastOp_ = op;
}

std::size_t TGFileStream::Read(void* buffer, std::size_t count) {
  SwitchTo(ELastOp::Read);
  const auto limit = static_cast<std::size_t>(std::numeric_limits<std::streamsize>::max());
  std::streamsize n = file_.sgetn(static_cast<char*>(buffer), static_cast<std::streamsize>(std::min(count, limit)));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t TGFileStream::Write(const void* buffer, std::size_t count) {
  SwitchTo(ELastOp::Write);
  const auto limit = static_cast<std::size_t>(std::numeric_limits<std::streamsize>::max());
  std::streamsize n =
      file_.sputn(static_cast<const char*>(buffer), static_cast<std::streamsize>(std::min(count, limit)));
  // Handed to the system at once, so that a full device is reported to the
  // write that filled it rather than lost when the file closes.
  if (n > 0 && file_.pubsync() != 0) return 0;
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::int64_t TGFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t target = SeekTarget(offset, origin, Position(), Size());
  if (file_.pubseekpos(static_cast<std::streamoff>(target)) == std::streampos(std::streamoff(-1)))
    Raise<EGStreamError>(IEConsts::SInvalidStreamPosition, target);
  lastOp_ = ELastOp::None;
  return target;
}

std::int64_t TGFileStream::Size() const {
  const std::streampos here = file_.pubseekoff(0, std::ios::cur);
  const std::streampos end = file_.pubseekoff(0, std::ios::end);
  file_.pubseekpos(here);
  return static_cast<std::int64_t>(std::streamoff(end));
}

std::int64_t TGFileStream::Position() const {
  return static_cast<std::int64_t>(std::streamoff(file_.pubseekoff(0, std::ios::cur)));
}

// --- TGBufferStream --------------------------------------------------------

TGBufferStream::TGBufferStream(TGStream& stream) : stream_(&stream), buffer_(new char[BufferSize]) {}

TGBufferStream::TGBufferStream(std::unique_ptr<TGStream> stream)
    : owned_(std::move(stream)), stream_(owned_.get()), buffer_(new char[BufferSize]) {
  assert(stream_ && "a buffered stream needs a stream to wrap");
}

TGBufferStream::~TGBufferStream() {
  onAfterFill_ = nullptr;
  onAfterFlush_ = nullptr;
  try {
    Flush();
  } catch (...) {
    // A destructor cannot report the failure; the bytes are lost either way.
  }
}

bool TGBufferStream::Fill() {
  const std::size_t got = stream_->Read(buffer_.get(), BufferSize);
  if (got > 0) {
    current_ = 0;
    end_ = got;
    state_ = bsReadAhead;
  } else {
    // The old bytes stay where they are, so the last byte read can still be
    // pushed back at the end of the input.
    current_ = end_;
    state_ = bsEmpty;
  }
  if (onAfterFill_) onAfterFill_(*this);
  return got > 0;
}

bool TGBufferStream::Flush() {
  if (state_ != bsUnflushed) return true;
  const std::size_t pending = current_;
  const std::size_t written = stream_->Write(buffer_.get(), pending);
  current_ = 0;
  end_ = 0;
  state_ = bsEmpty;
  if (onAfterFlush_) onAfterFlush_(*this);
  return written == pending;
}

int TGBufferStream::ReadByteSlow() {
  if (state_ == bsUnflushed) Flush();
  if (current_ >= end_ && !Fill()) return -1;
  return static_cast<unsigned char>(buffer_[current_++]);
}

std::size_t TGBufferStream::Read(void* buffer, std::size_t count) {
  if (state_ == bsUnflushed) Flush();
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (current_ >= end_ && !Fill()) break;
    const std::size_t n = std::min(count - done, end_ - current_);
    std::memcpy(out + done, buffer_.get() + current_, n);
    current_ += n;
    done += n;
  }
  return done;
}

std::size_t TGBufferStream::Write(const void* buffer, std::size_t count) {
  if (state_ != bsUnflushed) {
    // Bytes read ahead are dropped: the wrapped stream goes back to where the
    // reader stands.
    if (state_ == bsReadAhead) stream_->Seek(Position(), soBeginning);
    current_ = 0;
    end_ = 0;
    state_ = bsEmpty;
  }
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t n = std::min(count - done, BufferSize - current_);
    std::memcpy(buffer_.get() + current_, in + done, n);
    current_ += n;
    done += n;
    state_ = bsUnflushed;
    if (current_ == BufferSize && !Flush()) break;
  }
  return done;
}

std::int64_t TGBufferStream::Position() const {
  const std::int64_t base = stream_->Position();
  switch (state_) {
    case bsEmpty:
      return base;
    case bsReadAhead:
      return base - static_cast<std::int64_t>(end_ - current_);
    case bsUnflushed:
      return base + static_cast<std::int64_t>(current_);
  }
  Raise<EGStreamError>(IEConsts::SInvalidBufferState);
}

std::int64_t TGBufferStream::Size() const {
  const std::int64_t size = stream_->Size();
  return state_ == bsUnflushed ? std::max(size, Position()) : size;
}

std::int64_t TGBufferStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t current = Position();
  const std::int64_t target = SeekTarget(offset, origin, current, Size());
  if (target == current) return current;
  if (!Flush()) Raise<EGStreamError>(IEConsts::SErrorSeeking);
  stream_->Seek(target, soBeginning);
  current_ = 0;
  end_ = 0;
  state_ = bsEmpty;
  return target;
}

void TGBufferStream::PushBack(char c) {
  if (current_ == 0 || state_ == bsUnflushed) Raise<EGStreamError>(IEConsts::SOverflowOnPushBack);
  buffer_[--current_] = c;
  state_ = bsReadAhead;
}

bool TGBufferStream::Eof() const {
  if (current_ < end_) return false;
  return Position() >= Size();
}

// --- TGTextStream ----------------------------------------------------------

namespace {

TGTextStream::TCharSet DefaultWhiteSpace() {
  TGTextStream::TCharSet set;
  set.set(' ');
  set.set('\r');
  set.set('\n');
  set.set('\t');
  return set;
}

}  // namespace

TGTextStream::TGTextStream(TGStream& stream) : TGBufferStream(stream), whiteSpace_(DefaultWhiteSpace()) {}

TGTextStream::TGTextStream(std::unique_ptr<TGStream> stream)
    : TGBufferStream(std::move(stream)), whiteSpace_(DefaultWhiteSpace()) {}

TGTextStream::TGTextStream(const std::string& fileName, TFileMode mode)
    : TGTextStream(std::make_unique<TGFileStream>(fileName, mode)) {}

bool TGTextStream::ReadChar(char& c) {
  const int b = ReadByte();
  if (b < 0) return false;
  c = static_cast<char>(b);
  return true;
}

bool TGTextStream::ReadLine(std::string& line) {
  line.clear();
  char c = 0;
  bool any = false;
  while (ReadChar(c)) {
    any = true;
    if (c == '\n') return true;
    if (c == '\r') {
      char next = 0;
      if (ReadChar(next) && next != '\n') PushBack(next);
      return true;
    }
    line += c;
  }
  return any;
}

std::string TGTextStream::ReadLine() {
  std::string line;
  ReadLine(line);
  return line;
}

bool TGTextStream::SkipBlanks() {
  char c = 0;
  while (ReadChar(c)) {
    if (!whiteSpace_.test(static_cast<unsigned char>(c))) {
      PushBack(c);
      return false;
    }
    if (c == '\n') return true;
    if (c == '\r') {
      char next = 0;
      if (ReadChar(next) && next != '\n') PushBack(next);
      return true;
    }
  }
  return false;
}

void TGTextStream::WriteText(std::string_view text) {
  if (Write(text.data(), text.size()) != text.size()) Raise<EGStreamError>(IEConsts::SStreamWriteError);
}

void TGTextStream::WriteChar(char c) { WriteText(std::string_view(&c, 1)); }

void TGTextStream::WriteLine(std::string_view text) {
  WriteText(text);
  WriteCRLF();
}

void TGTextStream::WriteCRLF() { WriteText("\r\n"); }

}  // namespace fxe

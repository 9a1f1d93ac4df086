// Memory, file, buffered and text streams: buffering across refills and
// flushes, the logical position, seeking, push-back, lines and line ends.
#include "values/GStreams.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/IEExceptions.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ErrorOf;

// Bytes 0..250 repeated: every position holds a known, position-dependent value.
std::string Pattern(std::size_t n) {
  std::string data(n, '\0');
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<char>(i % 251);
  return data;
}

// A memory stream that accepts at most `capacity` bytes in total.
class TShortWriteStream : public TGStream {
 public:
  explicit TShortWriteStream(std::size_t capacity) : capacity_(capacity) {}
  std::size_t Read(void* buffer, std::size_t count) override { return inner_.Read(buffer, count); }
  std::size_t Write(const void* buffer, std::size_t count) override {
    const std::size_t room = capacity_ - inner_.DataString().size();
    return inner_.Write(buffer, std::min(count, room));
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return inner_.Seek(offset, origin); }
  std::int64_t Size() const override { return inner_.Size(); }
  std::int64_t Position() const override { return inner_.Position(); }

 private:
  TGStringStream inner_;
  std::size_t capacity_;
};

TEST(TGBufferStream, ReadsAcrossRefillsAndFiresAfterFill) {
  const std::string data = Pattern(20000);
  TGStringStream inner(data);
  TGBufferStream stream(inner);
  int fills = 0;
  stream.SetOnAfterFill([&](TGBufferStream&) { ++fills; });

  std::string got(20000, '\0');
  EXPECT_EQ(stream.Read(got.data(), 5000), 5000u);
  EXPECT_EQ(stream.Read(got.data() + 5000, 15000), 15000u);
  EXPECT_EQ(got, data);
  EXPECT_EQ(fills, 3);  // 8192 + 8192 + 3616
  char extra = 0;
  EXPECT_EQ(stream.Read(&extra, 1), 0u);
  EXPECT_TRUE(stream.Eof());
}

TEST(TGBufferStream, WritesFlushWhenFullAndOnDestruction) {
  const std::string data = Pattern(10000);
  TGStringStream inner;
  int flushes = 0;
  {
    TGBufferStream stream(inner);
    stream.SetOnAfterFlush([&](TGBufferStream&) { ++flushes; });
    EXPECT_EQ(stream.Write(data.data(), data.size()), data.size());
    EXPECT_EQ(flushes, 1);
    EXPECT_EQ(inner.DataString().size(), TGBufferStream::BufferSize);
    EXPECT_EQ(stream.BufferState(), TGBufferStream::bsUnflushed);
    EXPECT_EQ(stream.Position(), 10000);
    EXPECT_EQ(stream.Size(), 10000);
  }
  EXPECT_EQ(flushes, 1);  // no event during destruction
  EXPECT_EQ(inner.DataString(), data);
}

TEST(TGBufferStream, WriteAfterReadGoesToTheLogicalPosition) {
  TGStringStream inner(std::string(100, 'a'));
  TGBufferStream stream(inner);
  char head[10];
  ASSERT_EQ(stream.Read(head, 10), 10u);
  EXPECT_EQ(stream.Position(), 10);
  EXPECT_EQ(inner.Position(), 100);
  stream.Write("XYZ", 3);
  EXPECT_EQ(stream.Position(), 13);
  ASSERT_TRUE(stream.Flush());
  EXPECT_EQ(inner.DataString(), std::string(10, 'a') + "XYZ" + std::string(87, 'a'));
  // Reading after writing flushes first and continues behind the written bytes.
  char next = 0;
  ASSERT_EQ(stream.Read(&next, 1), 1u);
  EXPECT_EQ(next, 'a');
  EXPECT_EQ(stream.Position(), 14);
}

TEST(TGBufferStream, SeekOrigins) {
  struct Case {
    std::int64_t offset;
    TSeekOrigin origin;
    std::int64_t expected;
  };
  // Starting from logical position 10 of a 100-byte stream.
  const Case cases[] = {
      {25, soBeginning, 25}, {5, soCurrent, 15}, {-4, soCurrent, 6},
      {0, soEnd, 100},       {30, soEnd, 70},    {10, soBeginning, 10},
  };
  const std::string data = Pattern(100);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " from " << static_cast<int>(c.origin));
    TGStringStream inner(data);
    TGBufferStream stream(inner);
    char skip[10];
    ASSERT_EQ(stream.Read(skip, 10), 10u);
    EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expected);
    EXPECT_EQ(stream.Position(), c.expected);
    const int expectedByte =
        c.expected < 100 ? static_cast<unsigned char>(data[static_cast<std::size_t>(c.expected)]) : -1;
    EXPECT_EQ(stream.ReadByte(), expectedByte);
  }
}

TEST(TGBufferStream, SeekToTheCurrentPositionKeepsTheBuffer) {
  TGStringStream inner(Pattern(100));
  TGBufferStream stream(inner);
  int fills = 0;
  stream.SetOnAfterFill([&](TGBufferStream&) { ++fills; });
  stream.ReadByte();
  stream.Seek(0, soCurrent);
  stream.Seek(1, soBeginning);
  stream.ReadByte();
  EXPECT_EQ(fills, 1);
}

TEST(TGBufferStream, SeekErrors) {
  TGStringStream inner(Pattern(100));
  TGBufferStream stream(inner);
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { stream.Seek(0, static_cast<TSeekOrigin>(7)); }),
            "Invalid Origin Point specified: 7");
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { stream.Seek(-1, soBeginning); }), "Invalid stream position: -1");
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { stream.Seek(101, soEnd); }), "Invalid stream position: -1");
  // Far beyond the end is allowed and holds at the largest position.
  EXPECT_EQ(stream.Seek(INT64_MAX, soBeginning), INT64_MAX);
  EXPECT_EQ(stream.Seek(1, soCurrent), INT64_MAX);
  EXPECT_EQ(stream.ReadByte(), -1);

  TShortWriteStream shortStream(3);
  TGBufferStream writer(shortStream);
  writer.Write("abcdef", 6);
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { writer.Seek(0, soBeginning); }), "Error seeking in buffer");
}

TEST(TGBufferStream, ShortFlushStopsTheWrite) {
  TShortWriteStream shortStream(100);
  TGBufferStream stream(shortStream);
  const std::string data = Pattern(3 * TGBufferStream::BufferSize);
  EXPECT_EQ(stream.Write(data.data(), data.size()), TGBufferStream::BufferSize);
}

TEST(TGBufferStream, PushBack) {
  TGStringStream inner("abc");
  TGBufferStream stream(inner);
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { stream.PushBack('x'); }), "Overflow on push back");
  EXPECT_EQ(stream.ReadByte(), 'a');
  stream.PushBack('z');
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.ReadByte(), 'z');
  EXPECT_EQ(stream.ReadByte(), 'b');
  EXPECT_EQ(stream.ReadByte(), 'c');
  EXPECT_EQ(stream.ReadByte(), -1);
  // The last byte can still be put back at the end of the input.
  stream.PushBack('c');
  EXPECT_FALSE(stream.Eof());
  EXPECT_EQ(stream.ReadByte(), 'c');
  EXPECT_TRUE(stream.Eof());
}

TEST(TGBufferStream, PushBackAfterARefillAllowsOneCharacter) {
  TGStringStream inner(Pattern(TGBufferStream::BufferSize + 10));
  TGBufferStream stream(inner);
  for (std::size_t i = 0; i <= TGBufferStream::BufferSize; ++i) stream.ReadByte();
  stream.PushBack('x');
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { stream.PushBack('y'); }), "Overflow on push back");
  EXPECT_EQ(stream.ReadByte(), 'x');
}

TEST(TGTextStream, ReadLineHandlesEveryLineEnd) {
  TGTextStream stream(std::make_unique<TGStringStream>("one\r\ntwo\nthree\rfour\r\rsix"));
  EXPECT_TRUE(stream.OwnsStream());
  const char* expected[] = {"one", "two", "three", "four", "", "six"};
  std::string line;
  for (const char* e : expected) {
    ASSERT_TRUE(stream.ReadLine(line));
    EXPECT_EQ(line, e);
  }
  EXPECT_FALSE(stream.ReadLine(line));
  EXPECT_TRUE(stream.Eof());
}

TEST(TGTextStream, CrLfSplitAcrossARefillIsOneLineEnd) {
  std::string data(TGBufferStream::BufferSize - 1, 'a');
  data += "\r\nb";
  TGTextStream stream(std::make_unique<TGStringStream>(data));
  EXPECT_EQ(stream.ReadLine().size(), TGBufferStream::BufferSize - 1);
  EXPECT_EQ(stream.ReadLine(), "b");
}

TEST(TGTextStream, SkipBlanksStopsAfterOneLineEnd) {
  TGTextStream stream(std::make_unique<TGStringStream>(" \t\r\n  \n x"));
  EXPECT_TRUE(stream.SkipBlanks());
  EXPECT_TRUE(stream.SkipBlanks());
  EXPECT_FALSE(stream.SkipBlanks());
  char c = 0;
  ASSERT_TRUE(stream.ReadChar(c));
  EXPECT_EQ(c, 'x');

  TGTextStream custom(std::make_unique<TGStringStream>("..x"));
  TGTextStream::TCharSet dots;
  dots.set('.');
  custom.SetWhiteSpace(dots);
  EXPECT_FALSE(custom.SkipBlanks());
  ASSERT_TRUE(custom.ReadChar(c));
  EXPECT_EQ(c, 'x');
}

TEST(TGTextStream, Writers) {
  TGStringStream inner;
  {
    TGTextStream stream(inner);
    EXPECT_FALSE(stream.OwnsStream());
    stream.WriteChar('a');
    stream.WriteText("bc");
    stream.WriteLine("de");
    stream.WriteCRLF();
  }
  EXPECT_EQ(inner.DataString(), "abcde\r\n\r\n");
}

TEST(TGTextStream, ShortWriteRaises) {
  TShortWriteStream shortStream(10);
  TGTextStream stream(shortStream);
  const std::string big(3 * TGBufferStream::BufferSize, 'x');
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { stream.WriteText(big); }), "Error writing to stream");
}

TEST(TGFileStream, WriteThenReadBack) {
  const std::string path = (std::filesystem::temp_directory_path() / "fxe_gstreams_test.txt").string();
  {
    TGTextStream out(path, TFileMode::Create);
    out.WriteLine("first");
    out.WriteText("second");
  }
  {
    TGTextStream in(path, TFileMode::OpenReadWrite);
    EXPECT_EQ(in.ReadLine(), "first");
    // Writing after reading lands at the logical position, not the read-ahead end.
    in.WriteText("SE");
    in.Flush();
    in.Seek(0, soBeginning);
    EXPECT_EQ(in.ReadLine(), "first");
    EXPECT_EQ(in.ReadLine(), "SEcond");
    EXPECT_EQ(in.Size(), 13);
  }
  std::remove(path.c_str());
  EXPECT_EQ(ErrorOf<EGStreamError>([&] { TGTextStream missing(path, TFileMode::OpenRead); }),
            "Cannot open file \"" + path + "\"");
}

TEST(TGStringStream, WritingBeyondTheEndFillsTheGap) {
  TGStringStream stream("ab");
  stream.Seek(4, soBeginning);
  stream.Write("z", 1);
  EXPECT_EQ(stream.DataString(), std::string("ab\0\0z", 5));
}

}  // namespace
}  // namespace fxe

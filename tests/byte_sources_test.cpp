#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sources/dump_stream.h"
#include "sources/gzip_source.h"
#include "sources/read_ahead_source.h"
#include "support/compressors.h"
#include "support/in_memory.h"

namespace pgdump2pl {
namespace {

using namespace testing;

// Hands out at most `piece` bytes a read, as a pipe may.
class PipeSource final : public ByteSource {
 public:
  PipeSource(std::string_view bytes, std::size_t piece, int error) : bytes_(bytes, error), piece_(piece) {}
  ReadResult read(char* dest, std::size_t capacity) override { return bytes_.read(dest, std::min(capacity, piece_)); }
  const Failure& failure() const override { return bytes_.failure(); }

 private:
  MemorySource bytes_;
  std::size_t piece_;
};

// A script's worth of lines that do not compress to nothing, so that the
// compressed streams outgrow the decoders' input buffer.
const std::string& script() {
  static const std::string text = [] {
    std::string s = "COPY public.t (id, name) FROM stdin;\n";
    for (std::uint32_t x = 1; s.size() < 700'000;) {
      x = x * 1103515245u + 12345u;
      s += std::to_string(x) + "\tname " + std::to_string(x >> 9) + "\n";
    }
    return s + "\\.\n";
  }();
  return text;
}

const std::string kSkippableFrame{"\x5a\x2a\x4d\x18\x03\x00\x00\x00xyz", 11};

struct Decoded {
  std::string bytes;
  DumpFormat format;
  Failure failure;
};

constexpr std::size_t kWhole = ~std::size_t{0};
struct ReadMode {
  std::size_t read_size, piece;
  std::size_t ahead = 0;  // the read-ahead thread's block size, 0 for none
} const kReadModes[] = {{1, 7}, {64 << 10, kWhole}, {1000, 300, 777}};

// Reads in `read_size` blocks from an input served `piece` bytes at a
// time, until the end, a failure, or far more reads than bytes.
Decoded decode(std::string_view input, ReadMode mode, int read_error = 0) {
  DumpStream stream = open_dump_stream(std::make_unique<PipeSource>(input, mode.piece, read_error));
  std::optional<ReadAheadSource> ahead;
  if (mode.ahead != 0) ahead.emplace(*stream.source, mode.ahead, 3);
  ByteSource& source = ahead ? static_cast<ByteSource&>(*ahead) : *stream.source;
  Decoded decoded{{}, stream.format, {}};
  std::vector<char> block(mode.read_size);
  for (std::size_t reads = 0; reads < 2 * script().size(); ++reads) {
    const ReadResult got = source.read(block.data(), mode.read_size);
    if (got.size == 0) {
      // A failed read has a reason; the end is not one.
      if (got.failed) decoded.failure.set(source.failure().failed() ? source.failure() : Failure{EINVAL, "no reason"});
      return decoded;
    }
    decoded.bytes.append(block.data(), got.size);
  }
  ADD_FAILURE() << "the reads never end";
  return decoded;
}

TEST(ByteSources, EveryLayerDecodesToTheBytesWithin) {
  const std::string& text = script();
  const std::string first = text.substr(0, 300'000), rest = text.substr(300'000);
  std::string tar(512, '\0');
  tar.replace(257, 6, "ustar");
  std::string layered = "x";
  for (int i = 0; i < 8; ++i) layered = gzip(layered);
  struct Case {
    const char* name;
    std::string input, output;
    DumpFormat format = DumpFormat::plain;
  } const cases[] = {
      {"plain", text, text},
      {"too short to tell", "\x1f", "\x1f"},
      {"gzip -1", gzip(text, 1), text},
      {"gzip -9", gzip(text, 9), text},
      {"two gzip members", gzip(first) + gzip(rest), text},
      // gzip -t takes zeros after a member as padding; 600 KB span refills.
      {"gzip padded with zeros", gzip(first) + gzip(rest) + std::string(600'000, '\0'), text},
      {"gzip of gzip", gzip(gzip(text)), text},
      {"gzip eight times over", layered, "x"},
      {"bzip2's magic without a block", "BZh9 block", "BZh9 block"},
      {"custom archive", "PGDMP" + first, "PGDMP" + first, DumpFormat::custom_archive},
      {"tar archive in gzip", gzip(tar + first), tar + first, DumpFormat::tar_archive},
#ifdef PGDUMP2PL_HAVE_ZSTD
      {"zstd", zstd(text), text},
      {"zstd frames after a skippable frame", kSkippableFrame + zstd(first) + zstd(rest), text},
      {"gzip of zstd", gzip(zstd(text)), text},
#endif
#ifdef PGDUMP2PL_HAVE_LZ4
      {"lz4", lz4(text), text},
      {"lz4 frames after a skippable frame", kSkippableFrame + lz4(first) + lz4(rest), text},
      {"lz4 of gzip", lz4(gzip(text)), text},
#endif
  };
  for (const Case& c : cases) {
    for (const ReadMode mode : kReadModes) {
      const Decoded decoded = decode(c.input, mode);
      EXPECT_EQ(decoded.failure.error, 0) << c.name << ": " << decoded.failure.reason;
      EXPECT_TRUE(decoded.bytes == c.output) << c.name << " read " << mode.read_size << " at a time";
      EXPECT_EQ(decoded.format, c.format) << c.name;
    }
  }
}

TEST(ByteSources, DamagedStreamsFailWithTheirReason) {
  const std::string text = script().substr(0, 100'000);
  const std::string gz = gzip(text);
  const auto flipped = [](std::string bytes) { return bytes[bytes.size() / 2] ^= 0x10, bytes; };
  std::string bomb = "x";
  for (int i = 0; i < 9; ++i) bomb = gzip(bomb);
  struct Case {
    const char* name;
    std::string input;
    const char* reason;  // part of failure()
    int error = EILSEQ;
    int read_error = 0;
  } const cases[] = {
      {"gzip magic alone", "\x1f\x8b", "the gzip stream ends in the middle of a member"},
      {"gzip cut after its header", gz.substr(0, 10), "the gzip stream ends in the middle of a member"},
      {"gzip cut in the middle", gz.substr(0, gz.size() / 2), "the gzip stream ends in the middle of a member"},
      {"gzip cut in its trailer", gz.substr(0, gz.size() - 1), "the gzip stream ends in the middle of a member"},
      {"gzip with a flipped byte", flipped(gz), "gzip data is corrupt at byte "},
      {"garbage after a gzip member", gz + "garbage", "not gzip data after the end of a member"},
      {"garbage after a gzip member's zero padding", gz + std::string(600'000, '\0') + "x",
       "bytes other than zeros after the zero padding"},
      {"gzip of a cut gzip", gzip(gz.substr(0, 500)), "the gzip stream ends in the middle of a member"},
      {"a cut gzip around a gzip", gzip(gz).substr(0, 500), "the gzip stream ends in the middle of a member"},
      {"gzip whose reading fails", gz.substr(0, 500), "", EIO, EIO},
      {"gzip nine times over", bomb, "the dump is compressed more than 8 times over", ENOTSUP},
      {"xz",
       std::string("\xfd"
                   "7zXZ\0\0\0",
                   8),
       "xz-compressed, which pgdump2pl cannot read", ENOTSUP},
      {"bzip2", "BZh91AY&SY\x12\x34", "bzip2-compressed, which pgdump2pl cannot read", ENOTSUP},
      {"bzip2 of nothing", "BZh1\x17\x72\x45\x38\x50\x90", "bzip2-compressed, which pgdump2pl cannot read", ENOTSUP},
#ifdef PGDUMP2PL_HAVE_ZSTD
      {"zstd cut in the middle", zstd(text).substr(0, 1000), "the zstd stream ends in the middle of a frame"},
      {"zstd with a flipped byte", flipped(zstd(text)), "zstd data is corrupt at byte "},
      {"garbage after a zstd frame", zstd(text) + "garbage", "zstd data is corrupt at byte "},
#else
      {"zstd", "\x28\xb5\x2f\xfd", "the dump is zstd-compressed, which this build cannot read (built without libzstd)",
       ENOTSUP},
#endif
#ifdef PGDUMP2PL_HAVE_LZ4
      {"lz4 cut in the middle", lz4(text).substr(0, 1000), "the lz4 stream ends in the middle of a frame"},
      {"lz4 with a flipped byte", flipped(lz4(text)), "lz4 data is corrupt at byte "},
      {"garbage after an lz4 frame", lz4(text) + "garbage", "lz4 data is corrupt at byte "},
#else
      {"lz4", "\x04\x22\x4d\x18", "the dump is lz4-compressed, which this build cannot read (built without liblz4)",
       ENOTSUP},
#endif
  };
  for (const Case& c : cases) {
    for (const ReadMode mode : kReadModes) {
      const Decoded decoded = decode(c.input, mode, c.read_error);
      EXPECT_EQ(decoded.failure.error, c.error) << c.name;
      EXPECT_NE(decoded.failure.reason.find(c.reason), std::string::npos) << c.name << ": " << decoded.failure.reason;
    }
  }
}

TEST(ByteSources, AnEmptyGzipStreamIsNotOne) {
  std::unique_ptr<ByteSource> source = make_gzip_source(std::make_unique<MemorySource>(""));
  char byte;
  EXPECT_TRUE(source->read(&byte, 1).failed);
  EXPECT_EQ(source->failure().error, EILSEQ);
  EXPECT_EQ(source->failure().reason, "the gzip stream is empty");
}

}  // namespace
}  // namespace pgdump2pl

#include "archive/archive_header.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace pgdump2pl {

namespace {

// pg_dump's numbering of its formats and compression methods, as the
// header stores them, and its names for the formats.
struct FormatCode {
  std::uint8_t code;
  DumpFormat format;
  const char* name;
};
constexpr FormatCode kFormatCodes[] = {{1, DumpFormat::custom_archive, "custom"},
                                       {3, DumpFormat::tar_archive, "tar"},
                                       {4, DumpFormat::plain, "plain"},
                                       {5, DumpFormat::directory_archive, "directory"}};
constexpr Compression kCompressionCodes[] = {Compression::none, Compression::zlib, Compression::lz4, Compression::zstd};

const FormatCode* format_of(std::uint8_t code) {
  for (const FormatCode& format : kFormatCodes) {
    if (format.code == code) return &format;
  }
  return nullptr;
}

std::string format_name(DumpFormat format) {
  for (const FormatCode& named : kFormatCodes) {
    if (named.format == format) return named.name;
  }
  return "unknown";
}

}  // namespace

bool read_archive_header(ArchiveInput& input, DumpFormat expected, ArchiveHeader& header, Failure& failure) {
  constexpr std::string_view what = "the header";
  char magic[5];
  if (!input.read_exact(magic, sizeof magic, what)) return false;
  if (std::memcmp(magic, "PGDMP", sizeof magic) != 0) {
    return failure.set(EILSEQ, "not a pg_dump archive: it does not start with PGDMP");
  }
  std::uint8_t major, minor, revision, int_size, offset_size, format;
  if (!input.read_byte(major, what) || !input.read_byte(minor, what) || !input.read_byte(revision, what)) return false;
  const std::string version = std::to_string(major) + "." + std::to_string(minor);
  const std::string range =
      " (1." + std::to_string(kOldestMinorVersion) + " to 1." + std::to_string(kNewestMinorVersion) + ")";
  if (major > 1 || (major == 1 && minor > kNewestMinorVersion)) {
    return failure.set(EILSEQ, "archive format " + version + " is newer than this converter reads" + range);
  }
  if (major < 1 || minor < kOldestMinorVersion) {
    return failure.set(EILSEQ, "archive format " + version + " is older than this converter reads" + range);
  }
  header.minor_version = minor;
  if (!input.read_byte(int_size, what) || !input.read_byte(offset_size, what) || !input.read_byte(format, what)) {
    return false;
  }
  if (int_size < 1 || int_size > 8 || offset_size < 1 || offset_size > 8) {
    return failure.set(EILSEQ, "the archive's header is corrupt: integers of " + std::to_string(int_size) +
                                   " bytes and offsets of " + std::to_string(offset_size));
  }
  input.set_widths(int_size, offset_size);
  const FormatCode* named = format_of(format);
  if (named == nullptr || named->format != expected) {
    return failure.set(EILSEQ, "the archive's header names the " +
                                   (named != nullptr ? named->name : "unknown (" + std::to_string(format) + ")") +
                                   " format, not the " + format_name(expected));
  }
  header.format = expected;
  if (minor >= 15) {
    std::uint8_t method;
    if (!input.read_byte(method, what)) return false;
    if (method >= std::size(kCompressionCodes)) {
      return failure.set(EILSEQ,
                         "the archive's data use an unknown compression method (" + std::to_string(method) + ")");
    }
    header.compression = kCompressionCodes[method];
  } else {
    // Older archives store the zlib level: 0 is none, -1 zlib's default.
    int level;
    if (!input.read_int(level, what)) return false;
    if (level < -1 || level > 9) {
      return failure.set(EILSEQ, "the archive's header is corrupt: compression level " + std::to_string(level));
    }
    header.compression = level == 0 ? Compression::none : Compression::zlib;
  }
  // The creation time's seven fields, then the database's name and the
  // server's and pg_dump's versions: none of it matters to the script.
  std::string ignored;
  for (int i = 0; i < 7; ++i) {
    int field;
    if (!input.read_int(field, what)) return false;
  }
  for (int i = 0; i < 3; ++i) {
    if (!input.read_string(ignored, what)) return false;
  }
  return true;
}

}  // namespace pgdump2pl

#include "archive/tar_archive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pgdump2pl {

namespace {

constexpr std::size_t kBlock = 512;

// A numeric field: octal digits, or big-endian base 256 when its first
// byte has the high bit set (GNU tar's form for large sizes).
template <std::size_t width>
bool parse_number(const unsigned char* field, std::uint64_t& value) {
  // Octal digits can never overflow the value; base 256 can.
  static_assert(3 * width <= 64);
  value = 0;
  if (field[0] & 0x80) {
    if ((field[0] & 0x7f) != 0) return false;
    for (std::size_t i = 1; i < width; ++i) {
      if (value >> 56) return false;
      value = value << 8 | field[i];
    }
    return true;
  }
  std::size_t i = 0;
  while (i < width && field[i] == ' ') ++i;
  bool digits = false;
  for (; i < width && field[i] >= '0' && field[i] <= '7'; ++i) {
    value = value << 3 | static_cast<std::uint64_t>(field[i] - '0');
    digits = true;
  }
  return digits && (i == width || field[i] == ' ' || field[i] == '\0');
}

std::string field_text(const unsigned char* field, std::size_t width) {
  const auto* text = reinterpret_cast<const char*>(field);
  return std::string(text, strnlen(text, width));
}

// pg_dump names a table's data member by its dump id: "3389.dat".
int dump_id_of(std::string_view name) {
  int id = 0;
  std::size_t i = 0;
  for (; i < name.size() && i < 9 && name[i] >= '0' && name[i] <= '9'; ++i) id = id * 10 + (name[i] - '0');
  return i > 0 && name.substr(i).starts_with(".dat") ? id : -1;
}

Compression compression_of(std::string_view name) {
  if (name.ends_with(".gz")) return Compression::zlib;
  if (name.ends_with(".lz4")) return Compression::lz4;
  if (name.ends_with(".zst")) return Compression::zstd;
  return Compression::none;
}

}  // namespace

TarArchiveSource::TarArchiveSource(ByteSource& archive, std::string_view already_read)
    : input_(archive, failure_, "tar archive", already_read) {}

bool TarArchiveSource::next_member(std::string& name) {
  if (!finish_member()) return false;
  unsigned char header[kBlock];
  if (input_.at_end()) return failure_.failed() ? false : failure_.set(EIO, "the tar archive ends with no end marker");
  if (!input_.read_exact(reinterpret_cast<char*>(header), kBlock, "a member's header")) return false;
  const auto zero = [&header] { return std::all_of(header, header + kBlock, [](unsigned char b) { return b == 0; }); };
  if (zero()) {
    // The end marker is two zero blocks; a cut in the second is a cut too.
    if (input_.read_exact(reinterpret_cast<char*>(header), kBlock, "its end marker") && !zero()) {
      failure_.set(EILSEQ, "the tar archive is corrupt: its end marker holds data");
    }
    return false;
  }
  std::uint64_t checksum, size, sum = 0;
  for (std::size_t i = 0; i < kBlock; ++i) sum += i >= 148 && i < 156 ? ' ' : header[i];
  if (!parse_number<8>(header + 148, checksum) || checksum != sum) {
    return failure_.set(EILSEQ, "the tar archive is corrupt: a member's header fails its checksum");
  }
  if (!parse_number<12>(header + 124, size)) {
    return failure_.set(EILSEQ, "the tar archive is corrupt: a member's size is no number");
  }
  name = field_text(header, 100);
  const std::string prefix = std::memcmp(header + 257, "ustar", 5) == 0 ? field_text(header + 345, 155) : "";
  if (!prefix.empty()) name = prefix + "/" + name;
  member_name_ = name;
  member_left_ = size;
  member_padding_ = (kBlock - size % kBlock) % kBlock;
  return true;
}

bool TarArchiveSource::finish_member() {
  const std::string what = "the member " + member_name_;
  if (!input_.skip(member_left_ + member_padding_, what)) return false;
  member_left_ = member_padding_ = 0;
  return true;
}

ReadResult TarArchiveSource::read_member(char* dest, std::size_t capacity) {
  if (member_left_ == 0) return {0, false};
  const ReadResult got =
      input_.read_some(dest, static_cast<std::size_t>(std::min<std::uint64_t>(capacity, member_left_)));
  if (got.size == 0) {
    if (!failure_.failed()) failure_.set(EIO, "the tar archive ends inside its member " + member_name_);
    return {0, true};
  }
  member_left_ -= got.size;
  return got;
}

bool TarArchiveSource::read_header_and_toc() {
  std::string name;
  if (!next_member(name)) {
    return failure_.failed() ? false : failure_.set(EILSEQ, "the tar archive holds no member");
  }
  if (name != "toc.dat") {
    return failure_.set(EILSEQ, "the tar archive starts with " + name + ", not with pg_dump's toc.dat");
  }
  MemberSource member(*this);
  ArchiveInput toc(member, failure_, "tar archive's toc.dat");
  return read_archive_header(toc, DumpFormat::tar_archive, header_, failure_) &&
         read_toc(toc, header_, entries_, failure_);
}

bool TarArchiveSource::begin_data(const TocEntry& entry, Compression& compression) {
  std::string name;
  for (;;) {
    if (!next_member(name)) {
      return failure_.failed() ? false
                               : failure_.set(EIO, "the tar archive ends before its member " +
                                                       std::string(entry.data_file()) + ", which holds " + data_what());
    }
    if (name == entry.data_file()) break;
    // restore.sql and large objects need no reading; a later table's data
    // stored here would never be read again.
    if (data_rank(dump_id_of(name)) > current_data_rank()) {
      return failure_.set(EILSEQ, "the tar archive stores " + name + " before " + std::string(entry.data_file()) +
                                      "; read forward, the data must come in the TOC's order");
    }
  }
  compression = compression_of(name);
  return true;
}

bool TarArchiveSource::finish() {
  std::string name;
  while (next_member(name)) {
  }
  return !failure_.failed();
}

ReadResult TarArchiveSource::read_data(char* dest, std::size_t capacity) { return read_member(dest, capacity); }

}  // namespace pgdump2pl

#include "archive/custom_archive.h"

#include <algorithm>
#include <cerrno>

namespace pgdump2pl {

namespace {
// The custom format's block types.
constexpr std::uint8_t kTableData = 1, kLargeObjects = 3;
}  // namespace

CustomArchiveSource::CustomArchiveSource(ByteSource& archive, std::string_view already_read)
    : input_(archive, failure_, "custom archive", already_read) {}

bool CustomArchiveSource::read_header_and_toc() {
  return read_archive_header(input_, DumpFormat::custom_archive, header_, failure_) &&
         read_toc(input_, header_, entries_, failure_);
}

bool CustomArchiveSource::skip_chunks(std::string_view what) {
  for (;;) {
    int length;
    if (!input_.read_int(length, what)) return false;
    if (length == 0) return true;
    if (length < 0)
      return failure_.set(EILSEQ, "the custom archive is corrupt: a negative length in " + std::string(what));
    if (!input_.skip(static_cast<std::uint64_t>(length), what)) return false;
  }
}

bool CustomArchiveSource::next_block(std::uint8_t& type, int& id, std::string_view what) {
  if (input_.at_end()) return false;
  if (!input_.read_byte(type, what) || !input_.read_int(id, what)) return false;
  if (type != kTableData && type != kLargeObjects) {
    return failure_.set(EILSEQ, "the custom archive is corrupt: a data block of unknown type " + std::to_string(type) +
                                    " in " + std::string(what));
  }
  return true;
}

bool CustomArchiveSource::skip_block(std::uint8_t type, int id) {
  const std::string what = "the data block of dumpId " + std::to_string(id);
  if (type == kTableData) return skip_chunks(what);
  // Large objects: each an oid and its data, up to oid 0.
  for (;;) {
    int oid;
    if (!input_.read_int(oid, what)) return false;
    if (oid == 0) return true;
    if (!skip_chunks(what)) return false;
  }
}

bool CustomArchiveSource::begin_data(const TocEntry& entry, Compression& compression) {
  const std::string& what = data_what();
  std::uint8_t type;
  int id;
  for (;;) {
    if (!next_block(type, id, what)) {
      return failure_.failed() ? false : failure_.set(EIO, "the custom archive ends before " + what);
    }
    if (id == entry.dump_id) break;
    if (data_rank(id) > current_data_rank()) {
      return failure_.set(EILSEQ, "the custom archive stores the data of dumpId " + std::to_string(id) + " before " +
                                      what + "; read forward, as from a pipe, they must come in the TOC's order");
    }
    if (!skip_block(type, id)) return false;
  }
  if (type != kTableData) {
    return failure_.set(EILSEQ, "the custom archive is corrupt: large objects stored as " + what);
  }
  compression = header_.compression;
  chunk_left_ = 0;
  data_ended_ = false;
  return true;
}

bool CustomArchiveSource::finish() {
  std::uint8_t type;
  int id;
  while (next_block(type, id, "the data blocks after the last table's")) {
    if (!skip_block(type, id)) return false;
  }
  return !failure_.failed();
}

ReadResult CustomArchiveSource::read_data(char* dest, std::size_t capacity) {
  // The data are chunks, each its length and its bytes, up to length 0.
  while (!data_ended_) {
    if (chunk_left_ == 0) {
      int length;
      if (!input_.read_int(length, data_what())) return {0, true};
      if (length < 0) {
        failure_.set(EILSEQ, "the custom archive is corrupt: a negative chunk length in " + data_what());
        return {0, true};
      }
      chunk_left_ = static_cast<std::size_t>(length);
      data_ended_ = length == 0;
      continue;
    }
    const ReadResult got = input_.read_some(dest, std::min(capacity, chunk_left_));
    if (got.size == 0) {
      if (!failure_.failed()) failure_.set(EIO, "the custom archive ends inside " + data_what());
      return {0, true};
    }
    chunk_left_ -= got.size;
    return got;
  }
  return {0, false};
}

}  // namespace pgdump2pl

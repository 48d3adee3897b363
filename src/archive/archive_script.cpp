#include "archive/archive_script.h"

#include <algorithm>
#include <cstring>

#include "sources/decoder.h"

namespace pgdump2pl {

namespace {

// pg_restore prints these settings first, whatever their place.
bool is_session_setting(const TocEntry& entry) {
  return entry.desc() == "ENCODING" || entry.desc() == "STDSTRINGS" || entry.desc() == "SEARCHPATH";
}

// pg_restore's passes: the grants after everything else, then what
// must run once the grants are in place.
int restore_pass(const TocEntry& entry) {
  if (entry.desc() == "ACL" || entry.desc() == "ACL LANGUAGE" || entry.desc() == "DEFAULT ACL") return 1;
  if (entry.desc() == "EVENT TRIGGER" || entry.desc() == "MATERIALIZED VIEW DATA") return 2;
  if (entry.desc() == "COMMENT" && entry.tag().starts_with("EVENT TRIGGER ")) return 2;
  return 0;
}

// Whether pg_restore, with no options, prints the entry's definition.
bool prints_definition(const TocEntry& entry) {
  if (entry.defn.empty() || entry.defn.starts_with("-- load via partition root ")) return false;
  // The database itself is created only with --create.
  if (entry.desc() == "DATABASE" || entry.desc() == "DATABASE PROPERTIES") return false;
  if ((entry.desc() == "ACL" || entry.desc() == "COMMENT" || entry.desc() == "SECURITY LABEL") &&
      entry.tag().starts_with("DATABASE ")) {
    return false;
  }
  // Large objects' definitions are lists of oids that pg_restore turns
  // into lo_create calls; no table is made of them.
  if (entry.desc() == "BLOB METADATA" || (entry.desc() == "ACL" && entry.tag().starts_with("LARGE OBJECTS")))
    return false;
  return !(entry.desc() == "<Init>" && entry.tag() == "Max OID");
}

// Large objects' data are lowrite calls in the script, no table's rows.
bool reads_data(const TocEntry& entry) {
  return entry.has_data && entry.desc() != "BLOBS" && entry.desc() != "DATABASE";
}

}  // namespace

bool ArchiveScript::plan() {
  if (!read_header_and_toc()) return false;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (is_session_setting(entries_[i])) order_.push_back(i);
  }
  for (int pass = 0; pass < 3; ++pass) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (!is_session_setting(entries_[i]) && restore_pass(entries_[i]) == pass) order_.push_back(i);
    }
  }
  long rank = 0;
  for (const std::size_t i : order_) {
    if (reads_data(entries_[i])) ranks_.emplace_back(entries_[i].dump_id, rank++);
  }
  std::sort(ranks_.begin(), ranks_.end());
  return true;
}

long ArchiveScript::data_rank(int dump_id) const {
  const auto at = std::lower_bound(ranks_.begin(), ranks_.end(), std::pair<int, long>(dump_id, -1));
  return at != ranks_.end() && at->first == dump_id ? at->second : -1;
}

// The entry's texts are given from the entry itself, not copied: a
// definition may be large, and is held once.
void ArchiveScript::start_entry(std::size_t index) {
  TocEntry& entry = entries_[index];
  pieces_ = {};
  piece_ = 0;
  piece_at_ = 0;
  printing_ = &entry;
  if (prints_definition(entry)) {
    pieces_[0] = entry.defn;
    pieces_[1] = "\n\n";
  }
  const bool data = reads_data(entry);
  if (data) pieces_[2] = entry.copy_stmt();
  std::uint64_t newlines = 0;
  for (const std::string_view piece : pieces_)
    newlines += static_cast<std::uint64_t>(std::count(piece.begin(), piece.end(), '\n'));
  if (pieces_[0].empty() && !data) return;
  const std::uint64_t first_line = lines_ + 1;
  const std::lock_guard lock(spans_mutex_);
  spans_.push_back({first_line, data ? first_line + newlines : 0, index});
  if (data && start_data(index)) state_ = State::data;
}

// Gives the next bytes of the entry's texts; 0 once they are all given,
// when its definition is let go.
std::size_t ArchiveScript::give_texts(char* dest, std::size_t capacity) {
  while (piece_ < pieces_.size()) {
    const std::string_view piece = pieces_[piece_];
    if (piece_at_ < piece.size()) {
      const std::size_t n = std::min(capacity, piece.size() - piece_at_);
      std::memcpy(dest, piece.data() + piece_at_, n);
      piece_at_ += n;
      return n;
    }
    ++piece_;
    piece_at_ = 0;
  }
  if (printing_ != nullptr) {
    std::string().swap(printing_->defn);
    printing_ = nullptr;
  }
  return 0;
}

bool ArchiveScript::start_data(std::size_t index) {
  const TocEntry& entry = entries_[index];
  data_rank_now_ = data_rank(entry.dump_id);
  data_what_ = "the data of " + entry.describe();
  if (!begin_data(entry, compression_)) return false;
  decoder_.reset();
  data_bytes_ = 0;
  // Uncompressed data are read straight, through no source of their own.
  if (compression_ == Compression::none) return true;
  // pg_dump writes zstd and lz4 as the tools' own frames.
  decoder_ = make_decoder(compression_, std::make_unique<EntryData>(*this),
                          data_what_ + " are compressed with " + std::string(compression_name(compression_)), failure_);
  return decoder_ != nullptr;
}

ReadResult ArchiveScript::give(char* dest, std::size_t size) {
  lines_ += static_cast<std::uint64_t>(std::count(dest, dest + size, '\n'));
  return {size, false};
}

ReadResult ArchiveScript::read_plain_data(char* dest, std::size_t capacity) {
  if (decoder_ == nullptr) return read_data(dest, capacity);
  const ReadResult got = decoder_->read(dest, capacity);
  if (!got.failed) return got;
  // A table without rows may have no compressed stream at all.
  if (!failure_.failed() && data_bytes_ == 0) return {0, false};
  failure_.set(decoder_->failure().error, data_what_ + ": " + decoder_->failure().reason);
  return {0, true};
}

ReadResult ArchiveScript::read(char* dest, std::size_t capacity) {
  if (capacity == 0) return {0, false};
  for (;;) {
    if (const std::size_t n = give_texts(dest, capacity); n > 0) return give(dest, n);
    if (failure_.failed()) return {0, true};
    switch (state_) {
      case State::start:
        if (plan()) state_ = State::entries;
        break;
      case State::entries:
        if (next_ == order_.size()) {
          if (finish()) state_ = State::done;
        } else start_entry(order_[next_++]);
        break;
      case State::data: {
        const ReadResult got = read_plain_data(dest, capacity);
        if (got.size > 0) return give(dest, got.size);
        if (!got.failed) state_ = State::entries;
        break;
      }
      case State::done: return {0, false};
    }
  }
}

ArchiveScript::Origin ArchiveScript::origin_of(std::uint64_t line) const {
  const std::lock_guard lock(spans_mutex_);
  const auto after = std::upper_bound(spans_.begin(), spans_.end(), line,
                                      [](std::uint64_t l, const Span& span) { return l < span.first_line; });
  if (after == spans_.begin()) return {nullptr, 0};
  const Span& span = *(after - 1);
  const std::uint64_t data_line = span.data_line != 0 && line >= span.data_line ? line - span.data_line + 1 : 0;
  return {&entries_[span.entry], data_line};
}

}  // namespace pgdump2pl

#pragma once

// The plain script that an archive stands for, as pg_restore prints it,
// with what the converter reads in it: each TOC entry's definition, and
// each table's COPY statement, its data and the \. line (or its INSERT
// statements), in pg_restore's order. Comments, owners and session
// settings are left out. The formats differ only in where the header,
// the TOC and the data are; the subclasses find them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_header.h"
#include "archive/toc.h"
#include "io/byte_source.h"

namespace pgdump2pl {

class ArchiveScript : public ByteSource {
 public:
  ReadResult read(char* dest, std::size_t capacity) final;
  const Failure& failure() const final { return failure_; }

  // Where a line of the script (counted from 1) came from, for warnings:
  // an archive has no line numbers of its own. Safe to call while
  // another thread reads the script on. `entry` is null before
  // the first entry; `data_line` counts the lines of the entry's data
  // from 1 (the row's number in a COPY block), and is 0 on the lines of
  // its definition and COPY statement. Valid for lines already read.
  struct Origin {
    const TocEntry* entry;
    std::uint64_t data_line;
  };
  Origin origin_of(std::uint64_t line) const;

 protected:
  ArchiveScript() = default;

  // Reads the header into header_ and the TOC into entries_.
  virtual bool read_header_and_toc() = 0;
  // Finds `entry`'s data and says how it is compressed.
  virtual bool begin_data(const TocEntry& entry, Compression& compression) = 0;
  // The data's stored bytes, none at their end; on failure sets
  // failure_ and returns `failed`.
  virtual ReadResult read_data(char* dest, std::size_t capacity) = 0;
  // Reads what is left after the last data read, so that a cut or
  // corrupt end fails too.
  virtual bool finish() { return true; }

  // Among the entries whose data are read, the place of the one with
  // `dump_id` in reading order, or -1; and the place of the one being
  // read. A format read forward fails on data stored out of this order.
  long data_rank(int dump_id) const;
  long current_data_rank() const { return data_rank_now_; }

  // "the data of table public.t (dumpId 42)", of the entry being read.
  const std::string& data_what() const { return data_what_; }

  ArchiveHeader header_;
  std::vector<TocEntry> entries_;
  Failure failure_;

 private:
  struct Span {
    std::uint64_t first_line, data_line;
    std::size_t entry;
  };

  bool plan();
  void start_entry(std::size_t index);
  bool start_data(std::size_t index);
  ReadResult read_plain_data(char* dest, std::size_t capacity);
  ReadResult give(char* dest, std::size_t size);
  std::size_t give_texts(char* dest, std::size_t capacity);

  enum class State { start, entries, data, done } state_ = State::start;
  std::vector<std::size_t> order_;           // entries in printing order
  std::vector<std::pair<int, long>> ranks_;  // dump id, data rank; sorted
  std::size_t next_ = 0;
  long data_rank_now_ = -1;
  // The texts of the entry being printed: its definition, the blank
  // line after it, its COPY statement; each may be empty.
  std::array<std::string_view, 3> pieces_{};
  std::size_t piece_ = 0, piece_at_ = 0;
  TocEntry* printing_ = nullptr;
  std::string data_what_;

  // The stored bytes of the entry being read, for a decoder to own.
  class EntryData final : public ByteSource {
   public:
    explicit EntryData(ArchiveScript& script) : script_(script) {}
    ReadResult read(char* dest, std::size_t capacity) override {
      const ReadResult got = script_.read_data(dest, capacity);
      script_.data_bytes_ += got.size;
      return got;
    }
    const Failure& failure() const override { return script_.failure_; }

   private:
    ArchiveScript& script_;
  };

  Compression compression_ = Compression::none;
  std::unique_ptr<ByteSource> decoder_;  // null for uncompressed data
  std::uint64_t data_bytes_ = 0;

  std::uint64_t lines_ = 0;  // newlines given so far
  std::vector<Span> spans_;
  mutable std::mutex spans_mutex_;
};

}  // namespace pgdump2pl

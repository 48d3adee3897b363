#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/archive_input.h"
#include "archive/archive_script.h"

namespace pgdump2pl {

// pg_dump -Ft, read forward over its ustar members: toc.dat (the header
// and TOC) first, then each table's data member, found by the name its
// TOC entry gives, skipping the members between (large objects). As
// with pg_restore, a member stored before one needed earlier is an
// error.
class TarArchiveSource final : public ArchiveScript {
 public:
  explicit TarArchiveSource(ByteSource& archive, std::string_view already_read = {});

 private:
  bool read_header_and_toc() override;
  bool begin_data(const TocEntry& entry, Compression& compression) override;
  ReadResult read_data(char* dest, std::size_t capacity) override;
  bool finish() override;

  // The next member's name and size; false at the archive's end (with no
  // failure) or on a failure.
  bool next_member(std::string& name);
  bool finish_member();
  ReadResult read_member(char* dest, std::size_t capacity);

  // The bytes of the current member alone, for reading toc.dat.
  class MemberSource final : public ByteSource {
   public:
    explicit MemberSource(TarArchiveSource& tar) : tar_(tar) {}
    ReadResult read(char* dest, std::size_t capacity) override { return tar_.read_member(dest, capacity); }
    const Failure& failure() const override { return tar_.failure_; }

   private:
    TarArchiveSource& tar_;
  };

  ArchiveInput input_;
  std::string member_name_;
  std::uint64_t member_left_ = 0, member_padding_ = 0;
};

}  // namespace pgdump2pl

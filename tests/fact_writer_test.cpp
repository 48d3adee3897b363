#include "facts/fact_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace pgdump2pl {
namespace {

// Accepts `good_writes` writes, then fails with `write_error`; closing
// fails with `close_error`.
class ScriptedSink final : public ByteSink {
 public:
  ScriptedSink(int good_writes, int write_error, int close_error)
      : good_writes_(good_writes), write_error_(write_error), close_error_(close_error) {}
  int write(const char* data, std::size_t size) override {
    ++writes;
    if (writes > good_writes_) return write_error_;
    bytes.append(data, size);
    return 0;
  }
  int close() override { return close_error_; }

  std::string bytes;
  int writes = 0;

 private:
  int good_writes_, write_error_, close_error_;
};

void write_rows(FactWriter& out, int rows) {
  for (int i = 0; i < rows; ++i) out.append("depths(1234567).\n");
}

TEST(FactWriter, ReportsTheFirstErrorOfWriteFlushAndClose) {
  const struct {
    std::string_view what;
    int good_writes, write_error, close_error, rows;
    int reported, writes;
  } cases[] = {
      {"all fine", 99, 0, 0, 1000, 0, 3},
      {"full at the first flush", 0, ENOSPC, 0, 1000, ENOSPC, 1},
      {"full at a later flush", 1, ENOSPC, 0, 1000, ENOSPC, 2},
      {"full only at the final flush", 0, EIO, 0, 10, EIO, 1},
      {"close fails", 99, 0, EIO, 10, EIO, 1},
      {"write error wins over close error", 0, ENOSPC, EIO, 10, ENOSPC, 1},
      {"nothing to write, close fails", 99, 0, EDQUOT, 0, EDQUOT, 0},
  };
  for (const auto& c : cases) {
    ScriptedSink sink(c.good_writes, c.write_error, c.close_error);
    FactWriter out(sink, 8192);
    write_rows(out, c.rows);
    EXPECT_EQ(out.finish(), c.reported) << c.what;
    EXPECT_EQ(sink.writes, c.writes) << c.what;  // nothing more is tried after a failure
    if (c.reported == 0) {
      EXPECT_EQ(sink.bytes.size(), 17u * static_cast<unsigned>(c.rows)) << c.what;
    }
  }
}

TEST(FactWriter, KeepsOrderAcrossFlushesAndFactsLargerThanTheBuffer) {
  ScriptedSink sink(99, 0, 0);
  FactWriter out(sink, 16);
  out.write_banner("sites");
  const std::string huge(100, 'x');
  out.append(huge);
  out.write_count(-5);
  ASSERT_EQ(out.finish(), 0);
  EXPECT_EQ(sink.bytes, "/**\n * Table sites\n */\n\n" + huge + "/* (-5 entrees) */\n\n\n");
}

}  // namespace
}  // namespace pgdump2pl

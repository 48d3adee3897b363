// pg_dump's archives read as the plain scripts pg_restore prints for
// them: the fixtures must convert to the facts of pg_restore's script in
// both modes, and damaged archives must fail with a reason.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "archive/custom_archive.h"
#include "archive/directory_archive.h"
#include "archive/tar_archive.h"
#include "support/compressors.h"
#include "support/in_memory.h"

using namespace pgdump2pl;
using namespace pgdump2pl::testing;

namespace {

const std::string kArchives = std::string(PGDUMP2PL_FIXTURES) + "/archives/";

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct Script {
  std::string text;
  Failure failure;
};

// All that `source` yields, in reads of an odd size.
Script read_all(ByteSource& source, std::size_t chunk = 333) {
  Script script;
  char buffer[333];
  for (;;) {
    const ReadResult got = source.read(buffer, chunk);
    if (got.size == 0) {
      if (got.failed) script.failure = source.failure();
      return script;
    }
    script.text.append(buffer, got.size);
  }
}

// `trickle` feeds the archive and reads the script a byte at a time.
Script read_archive(const std::string& name, const std::string& bytes, bool trickle = false) {
  if (name.find("directory") != std::string::npos) {
    DirectoryArchiveSource source(kArchives + name);
    return read_all(source);
  }
  MemorySource memory(bytes);
  MemorySource trickled(bytes, 0, 1);
  ByteSource& input = trickle ? static_cast<ByteSource&>(trickled) : memory;
  const std::size_t chunk = trickle ? 1 : 333;
  if (name.find(".tar") != std::string::npos) {
    TarArchiveSource source(input);
    return read_all(source, chunk);
  }
  CustomArchiveSource source(input);
  return read_all(source, chunk);
}

// Writes the checksum of the tar header at `at`, as tar does or, with
// `full_width`, in eight digits that run into the next field.
void sign_header(std::string& tar, std::size_t at, bool full_width = false) {
  tar.replace(at + 148, 8, 8, ' ');
  unsigned sum = 0;
  for (std::size_t i = 0; i < 512; ++i) sum += static_cast<unsigned char>(tar[at + i]);
  char digits[16];
  std::snprintf(digits, sizeof digits, full_width ? "%08o" : "%06o", sum);
  tar.replace(at + 148, full_width ? 8 : 7, digits, full_width ? 8 : 7);
}

// The tar archive with its members' numbers as other tar writers put
// them: sizes in the base-256 form meant for sizes too large for octal,
// or sizes and checksums in octal digits that fill their fields, with no
// terminator before the next field's digits.
std::string with_numbers_rewritten(std::string tar, bool base256) {
  for (std::size_t at = 0; at + 512 <= tar.size() && tar[at] != '\0';) {
    const std::uint64_t size = std::stoull(tar.substr(at + 124, 12), nullptr, 8);
    if (base256) {
      tar.replace(at + 124, 12, 12, '\0');
      tar[at + 124] = static_cast<char>(0x80);
      for (std::size_t i = 0; i < 8; ++i) tar[at + 135 - i] = static_cast<char>(size >> (8 * i) & 0xff);
    } else {
      char digits[16];
      std::snprintf(digits, sizeof digits, "%012llo", static_cast<unsigned long long>(size));
      tar.replace(at + 124, 12, digits, 12);
    }
    sign_header(tar, at, !base256);
    at += 512 + (size + 511) / 512 * 512;
  }
  return tar;
}

TEST(Archives, ConvertToTheFactsOfPgRestoresScript) {
  for (const char* database : {"all_kinds", "crawler"}) {
    for (const char* format : {"custom", "custom-z0", "custom-pipe", "directory", "directory-z0", "tar", "tar-base256",
                               "tar-full-width", "inserts"}) {
      const std::string name = std::string(database) + "." + format;
      SCOPED_TRACE(name);
      const std::string_view f = format;
      const std::string bytes =
          f.starts_with("tar-") ? with_numbers_rewritten(file_bytes(kArchives + database + ".tar"), f == "tar-base256")
                                : file_bytes(kArchives + name);
      const Script script = read_archive(name, bytes, std::string_view(format) == "custom-pipe");
      ASSERT_EQ(script.failure.error, 0) << script.failure.reason;
      // Every format but --inserts restores to the custom archive's script.
      const std::string plain_form = std::string(format) == "inserts" ? name : std::string(database) + ".custom";
      const std::string restored = file_bytes(kArchives + plain_form + ".sql");
      for (const bool all_tables : {false, true}) {
        const Converted expected = convert_in_memory(restored, 4096, 0, 0, 0, all_tables);
        if (all_tables || std::string_view(format) != "inserts") {
          ASSERT_NE(expected.facts.find("Table"), std::string::npos);
        }
        EXPECT_EQ(convert_in_memory(script.text, 4096, 0, 0, 0, all_tables).facts, expected.facts);
      }
    }
  }
}

TEST(Archives, TellWhichEntryAndRowALineCameFrom) {
  const std::string bytes = file_bytes(kArchives + "crawler.custom");
  MemorySource memory(bytes);
  CustomArchiveSource source(memory);
  const Script script = read_all(source);
  struct Case {
    std::string_view text;    // the line that starts with it,
    std::uint64_t below;      // or the one this far below it,
    std::string_view desc;    // came from this entry of table sites
    std::uint64_t data_line;  // and, for a data line, this row
  };
  const Case cases[] = {
      {"CREATE TABLE public.sites ", 1, "TABLE", 0},
      {"COPY public.sites ", 0, "TABLE DATA", 0},
      {"COPY public.sites ", 2, "TABLE DATA", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " + " + std::to_string(c.below));
    const std::size_t at = script.text.find(c.text);
    ASSERT_NE(at, std::string::npos);
    const std::string_view before = std::string_view(script.text).substr(0, at);
    const auto line = static_cast<std::uint64_t>(std::count(before.begin(), before.end(), '\n') + 1);
    const ArchiveScript::Origin origin = source.origin_of(line + c.below);
    ASSERT_NE(origin.entry, nullptr);
    EXPECT_EQ(origin.entry->desc(), c.desc);
    EXPECT_EQ(origin.entry->tag(), "sites");
    EXPECT_EQ(origin.data_line, c.data_line);
  }
}

// A custom archive written here, for the versions and damages pg_dump 15
// cannot make: entries ENCODING, TABLE sites and its data.
struct ArchiveBytes {
  std::string bytes;
  void byte(int value) { bytes += static_cast<char>(value); }
  void integer(long long value) {
    byte(value < 0);
    const unsigned long long magnitude = static_cast<unsigned long long>(value < 0 ? -value : value);
    for (int i = 0; i < 4; ++i) byte(static_cast<int>(magnitude >> (8 * i) & 0xff));
  }
  void text(std::string_view value) {
    integer(static_cast<long long>(value.size()));
    bytes += value;
  }
  void null() { integer(-1); }
};

constexpr std::string_view kTable = "CREATE TABLE public.sites (\n    url text,\n    id bigint\n);\n";
constexpr std::string_view kCopy = "COPY public.sites (url, id) FROM stdin;\n";
constexpr std::string_view kRows = "a\t1\nb\t2\n\\.\n\n\n";

// `later_data_first` adds the data of a table pages, stored before those
// of sites though the TOC lists it after.
std::string custom_archive(int minor, int compression = 0, long long entries = 3, long long defn_size = -1,
                           std::string_view rows = kRows, bool later_data_first = false) {
  ArchiveBytes a;
  a.bytes = "PGDMP";
  for (const int b : {1, minor, 0, 4, 8, 1}) a.byte(b);
  if (minor >= 15) a.byte(compression);
  else a.integer(compression);
  for (int i = 0; i < 7; ++i) a.integer(i);
  for (const char* s : {"db", "15.0", "15.0"}) a.text(s);
  a.integer(entries);
  const auto entry = [&](int id, bool data, std::string_view tag, std::string_view desc, std::string_view defn,
                         std::string_view copy) {
    a.integer(id);
    a.integer(data);
    a.text("0");
    a.text("0");
    a.text(tag);
    a.text(desc);
    a.integer(data ? 3 : 2);
    if (defn_size >= 0) a.integer(defn_size);
    else a.text(defn);
    a.text("");
    a.text(copy);
    a.text("public");
    a.text("");
    if (minor >= 14) a.text("heap");
    if (minor >= 16) a.integer('r');
    a.text("postgres");
    a.text("false");
    a.null();
    a.byte(data ? 1 : 3);
    for (int i = 0; i < 8; ++i) a.byte(0);
  };
  entry(1, false, "ENCODING", "ENCODING", "SET client_encoding = 'UTF8';\n", "");
  entry(2, false, "sites", "TABLE", kTable, "");
  entry(3, true, "sites", "TABLE DATA", "", kCopy);
  if (later_data_first) entry(4, true, "pages", "TABLE DATA", "", "COPY public.pages (url) FROM stdin;\n");
  const auto data = [&](int id) {
    a.byte(1);
    a.integer(id);
    a.text(rows.substr(0, 5));
    a.text(rows.substr(5));
    a.integer(0);
  };
  if (later_data_first) data(4);
  data(3);
  return a.bytes;
}

TEST(Archives, ReadEveryFormatVersionFromPostgreSQL95On) {
  const std::string plain =
      "SET client_encoding = 'UTF8';\n" + std::string(kTable) + std::string(kCopy) + std::string(kRows);
  struct Case {
    int minor, compression;
    std::string data;
  };
  std::vector<Case> cases;
  for (int minor = 12; minor <= 16; ++minor) cases.push_back({minor, 0, std::string(kRows)});
  cases.push_back({14, 6, gzip(kRows)});
  cases.push_back({16, 1, gzip(kRows)});
#ifdef PGDUMP2PL_HAVE_LZ4
  cases.push_back({16, 2, lz4(kRows)});
#endif
#ifdef PGDUMP2PL_HAVE_ZSTD
  cases.push_back({15, 3, zstd(kRows)});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.minor) + " compressed by " + std::to_string(c.compression));
    const std::string bytes = custom_archive(c.minor, c.compression, 3, -1, c.data);
    MemorySource memory(bytes);
    CustomArchiveSource source(memory);
    const Script script = read_all(source);
    ASSERT_EQ(script.failure.error, 0) << script.failure.reason;
    for (const bool all_tables : {false, true}) {
      const Converted expected = convert_in_memory(plain, 4096, 0, 0, 0, all_tables);
      EXPECT_NE(expected.facts.find("sites('a',1)"), std::string::npos);
      EXPECT_EQ(convert_in_memory(script.text, 4096, 0, 0, 0, all_tables).facts, expected.facts);
    }
  }
}

std::string flipped(std::string bytes, std::size_t at) {
  bytes[at] = static_cast<char>(bytes[at] ^ 0x5a);
  return bytes;
}

// Where the header of the tar member `name` starts.
std::size_t member_at(const std::string& tar, std::string_view name) {
  for (std::size_t at = 0; at + 512 <= tar.size(); at += 512) {
    if (tar.compare(at, name.size() + 1, std::string(name) + '\0') == 0) return at;
  }
  return tar.size();
}

// The tar archive with `prefix` in the ustar prefix of its first member's
// name, which the name then follows after a slash.
std::string with_name_prefix(std::string tar, std::string_view prefix) {
  tar.replace(345, prefix.size(), prefix);
  sign_header(tar, 0);
  return tar;
}

TEST(Archives, DamageFailsWithAReasonAndKeepsWhatCameBefore) {
  const std::string good = custom_archive(14);
  const std::string data_block = std::string("\x01\x00\x03\x00\x00\x00", 6);
  const std::size_t data_at = good.rfind(data_block);
  const std::string tar = file_bytes(kArchives + "crawler.tar");
  const std::size_t first = member_at(tar, "3408.dat"), second = member_at(tar, "3410.dat"),
                    after = member_at(tar, "3412.dat");
  const std::string tar_swapped =
      tar.substr(0, first) + tar.substr(second, after - second) + tar.substr(first, second - first) + tar.substr(after);
  // A member named like no table's data is passed over, even one whose
  // name starts with a later table's dump id.
  std::string tar_renamed = tar_swapped;
  tar_renamed.replace(first + 4, 4, ".sql");
  sign_header(tar_renamed, first);
  struct Case {
    std::string name, bytes;
    bool is_tar;
    int error;
    std::string reason;
  };
  const Case cases[] = {
      {"newer", custom_archive(17), false, EILSEQ,
       "archive format 1.17 is newer than this converter reads (1.12 to 1.16)"},
      {"older", custom_archive(11), false, EILSEQ, "archive format 1.11 is older"},
      {"unknown compression", custom_archive(15, 9), false, EILSEQ, "unknown compression method (9)"},
#ifdef PGDUMP2PL_HAVE_ZSTD
      {"zstd that is not", custom_archive(15, 3), false, EILSEQ, "public.sites (dumpId 3): zstd data is corrupt"},
#else
      {"zstd", custom_archive(15, 3), false, ENOTSUP, "which this build cannot read (built without libzstd)"},
#endif
      {"gzip that is not", custom_archive(14, -1), false, EILSEQ, "public.sites (dumpId 3): zlib data is corrupt"},
      {"a billion entries", custom_archive(14, 0, 1000000000), false, EIO, "the custom archive ends inside the TOC"},
      {"a 1 GB string", custom_archive(14, 0, 3, (1 << 30) - 1), false, EIO, "ends inside the TOC"},
      {"a 2 GB string", custom_archive(14, 0, 3, 0x7fffffff), false, EILSEQ, "a string of 2147483647 bytes"},
      {"a negative count", custom_archive(14, 0, -5), false, EILSEQ, "counts -5 entries"},
      {"no magic", "PGDMQ" + good.substr(5), false, EILSEQ, "not a pg_dump archive"},
      {"tar's header in a custom one", flipped(good, 10), false, EILSEQ, "names the unknown (91) format"},
      {"wide integers", flipped(good, 8), false, EILSEQ, "integers of 94 bytes"},
      {"cut in the TOC", good.substr(0, 200), false, EIO, "the custom archive ends inside the TOC"},
      {"cut before the data", good.substr(0, data_at), false, EIO,
       "ends before the data of table public.sites (dumpId 3)"},
      {"cut in the data", good.substr(0, data_at + 14), false, EIO,
       "ends inside the data of table public.sites (dumpId 3)"},
      {"a bad block", flipped(good, data_at), false, EILSEQ, "a data block of unknown type"},
      {"a bad sign", flipped(good, data_at + 6), false, EILSEQ, "a bad integer sign"},
      {"data out of order", custom_archive(14, 0, 4, -1, kRows, true), false, EILSEQ,
       "stores the data of dumpId 4 before the data of table public.sites (dumpId 3); read forward"},
      {"empty", "", false, EIO, "ends inside the header"},
      {"tar cut in a member", tar.substr(0, 9000), true, EIO, "ends inside"},
      {"tar checksum", flipped(tar, 3), true, EILSEQ, "fails its checksum"},
      {"tar without toc.dat", tar.substr(member_at(tar, "3408.dat")), true, EILSEQ, "not with pg_dump's toc.dat"},
      {"tar data out of order", tar_swapped, true, EILSEQ, "stores 3410.dat before 3408.dat; read forward"},
      {"tar data not named so", tar_renamed, true, EILSEQ, "stores 3412.dat before 3410.dat"},
      {"tar toc.dat in a folder", with_name_prefix(tar, "dir"), true, EILSEQ, "starts with dir/toc.dat, not"},
      {"tar end marker with data", flipped(tar, tar.size() - 1), true, EILSEQ, "its end marker holds data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Script script = read_archive(c.is_tar ? "x.tar" : "x.custom", c.bytes);
    EXPECT_EQ(script.failure.error, c.error);
    EXPECT_NE(script.failure.reason.find(c.reason), std::string::npos) << script.failure.reason;
  }
  // A cut anywhere fails, never crashes, and keeps a prefix of the script.
  for (const char* name : {"crawler.custom", "crawler.custom-z0", "crawler.tar"}) {
    const std::string bytes = file_bytes(kArchives + name);
    const Script whole = read_archive(name, bytes);
    for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
      const Script part = read_archive(name, bytes.substr(0, cut));
      EXPECT_NE(part.failure.error, 0);
      EXPECT_FALSE(part.failure.reason.empty());
      EXPECT_EQ(whole.text.substr(0, part.text.size()), part.text);
    }
  }
}

// A directory archive of crawler's toc.dat with `from` in it replaced by
// `to`, and no data files.
std::string directory_of_toc(std::string_view from = {}, std::string_view to = {}) {
  std::string toc = file_bytes(kArchives + "crawler.directory-z0/toc.dat");
  toc.replace(toc.find(from), from.size(), to);
  const std::string directory = ::testing::TempDir() + "pgdump2pl-toc-" + std::to_string(std::hash<std::string>{}(toc));
  ::mkdir(directory.c_str(), 0700);
  std::ofstream(directory + "/toc.dat", std::ios::binary) << toc;
  return directory;
}

TEST(Archives, DirectoryDamageFailsWithAReason) {
  const struct {
    std::string directory;
    int error;
    std::string reason;
  } cases[] = {
      {kArchives + "no-such-directory", ENOENT, "cannot open " + kArchives + "no-such-directory/toc.dat"},
      {directory_of_toc(), EIO,
       "the directory archive has no file 3408.dat for the data of table public.CrawlQueue (dumpId 3408)"},
      {directory_of_toc("3408.dat", "../x.dat"), EILSEQ,
       "names the file \"../x.dat\" for the data of table "
       "public.CrawlQueue (dumpId 3408), outside the archive"},
      {directory_of_toc("3408.dat", "/etc/x.d"), EILSEQ, "names the file \"/etc/x.d\""},
  };
  for (const auto& c : cases) {
    DirectoryArchiveSource source(c.directory);
    const Script script = read_all(source);
    EXPECT_EQ(script.failure.error, c.error);
    EXPECT_NE(script.failure.reason.find(c.reason), std::string::npos) << script.failure.reason;
  }
}

// Its files get descriptor 0 when standard input is closed, which serves
// as well as any other.
TEST(Archives, DirectoryReadsWithStandardInputClosed) {
  const std::string directory = kArchives + "crawler.directory-z0";
  DirectoryArchiveSource with_input(directory);
  const Script expected = read_all(with_input);
  const int input = ::dup(STDIN_FILENO);
  ::close(STDIN_FILENO);
  DirectoryArchiveSource source(directory);
  const Script script = read_all(source);
  ::dup2(input, STDIN_FILENO);
  ::close(input);
  EXPECT_EQ(script.failure.error, 0) << script.failure.reason;
  EXPECT_EQ(script.text, expected.text);
}

}  // namespace

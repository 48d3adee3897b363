#include "command_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "conversion.h"
#include "dump/byte_source.h"
#include "dump/dump_reader.h"
#include "dump/line_reader.h"
#include "facts/byte_sink.h"
#include "facts/fact_writer.h"

namespace pgdump2pl {
namespace {

// The messages users and their scripts know; the file names in them are
// fixed, whatever the paths.
constexpr const char* kWrongArguments = "Arg incorrects\n";
constexpr const char* kCannotOpenDump = "Echec de l'ouverture du fichier crawler_bdd_03.sql\n";
constexpr const char* kCannotOpenFacts = "Echech de l'ouverture du fichier bd.pl\n";
constexpr const char* kCannotReadDump = "Echec de la lecture du fichier crawler_bdd_03.sql\n";
constexpr const char* kCannotWriteFacts = "Echec de l'ecriture du fichier bd.pl\n";

constexpr int kStatusWrongArguments = 1;
constexpr int kStatusFailed = 255;

int fail(const char* message, const char* path, const char* reason) {
  std::fputs(message, stdout);
  std::fflush(stdout);
  std::fprintf(stderr, "pgdump2pl: %s: %s\n", path, reason);
  return kStatusFailed;
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

int run_command_line(int argc, const char* const* argv) {
  if (argc != 3) {
    std::fputs(kWrongArguments, stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "pgdump2pl: expected 2 arguments, got %d\nusage: pgdump2pl DUMP FACTS\n", argc - 1);
    return kStatusWrongArguments;
  }
  const char* const dump_path = argv[1];
  const char* const facts_path = argv[2];

  // The fact file is opened only once the dump is known to be readable
  // and distinct from it: a failed start never empties anything.
  const int dump_fd = ::open(dump_path, O_RDONLY | O_CLOEXEC);
  if (dump_fd < 0) return fail(kCannotOpenDump, dump_path, std::strerror(errno));
  struct stat dump_stat {};
  if (::fstat(dump_fd, &dump_stat) != 0) return fail(kCannotOpenDump, dump_path, std::strerror(errno));
  if (S_ISDIR(dump_stat.st_mode)) return fail(kCannotOpenDump, dump_path, std::strerror(EISDIR));
  struct stat facts_stat {};
  if (S_ISREG(dump_stat.st_mode) && ::stat(facts_path, &facts_stat) == 0 && same_file(dump_stat, facts_stat)) {
    return fail(kCannotOpenFacts, facts_path, "is the dump itself");
  }
  const int facts_fd = ::open(facts_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (facts_fd < 0) return fail(kCannotOpenFacts, facts_path, std::strerror(errno));

  FdSource dump_source(dump_fd);
  LineReader lines(dump_source);
  DumpReader dump(lines);
  FdSink facts_sink(facts_fd);
  FactWriter facts(facts_sink);
  const ScanOutcome scan = convert_dump(dump, facts);
  ::close(dump_fd);
  // What was converted before a read error is still written out.
  const int write_error = facts.finish();

  if (scan.status == ScanStatus::read_failed) return fail(kCannotReadDump, dump_path, std::strerror(scan.error));
  if (write_error != 0) return fail(kCannotWriteFacts, facts_path, std::strerror(write_error));
  return 0;
}

}  // namespace pgdump2pl

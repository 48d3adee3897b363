#include "command_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "cli/dump_input.h"
#include "cli/options.h"
#include "cli/warning.h"
#include "conversion.h"
#include "io/byte_sink.h"
#include "io/byte_source.h"

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

constexpr const char* kUsage = "usage: pgdump2pl [OPTION]... DUMP FACTS\n";
constexpr const char* kHelp =
    "\n"
    "Converts the data blocks (COPY ... FROM stdin) of a PostgreSQL dump into\n"
    "a Prolog fact file: for each table a banner comment, one fact per row,\n"
    "and the number of rows. The first letters of the table's name choose\n"
    "how a row becomes a fact. Rows that do not fit their table's layout are\n"
    "counted in a warning on standard error.\n"
    "\n"
    "DUMP is told by its content: a plain SQL script, also compressed with\n"
    "gzip, zstd or lz4; a custom (-Fc) or tar (-Ft) archive; or a directory\n"
    "archive (-Fd), given as its directory. A file or a pipe, read once.\n"
    "\n"
    "Options, before the two paths (-- ends them):\n"
    "  -t, --table=PATTERN\n"
    "                   convert only the tables PATTERN matches; repeat it\n"
    "                   for more. PATTERN is read as pg_dump reads it: * is\n"
    "                   any characters, ? one, letters fold to lower case\n"
    "                   outside \"double quotes\", and SCHEMA.TABLE names the\n"
    "                   schema too\n"
    "  -T, --exclude-table=PATTERN\n"
    "                   never convert the tables PATTERN matches, even those\n"
    "                   a -t pattern matches\n"
    "  -q, --quiet      no progress line on a terminal\n"
    "  --all-tables     read the dump as psql runs an SQL script (COPY with\n"
    "                   any options, INSERT statements, definitions in any\n"
    "                   layout) and write every table's rows by the table's\n"
    "                   own columns, each value the term its SQL type calls\n"
    "                   for: integers, floats, true/false, quoted atoms, and\n"
    "                   '$null$' for NULL; the facts are UTF-8\n"
    "  --encoding NAME  with --all-tables, the encoding of a script that sets\n"
    "                   no client_encoding (PostgreSQL's names: LATIN1,\n"
    "                   WIN1252, SJIS, ...); UTF8 without it\n"
    "  --dialect=swi|gnu\n"
    "                   with --all-tables, the Prolog the facts are for:\n"
    "                   SWI-Prolog (the default) or GNU Prolog, for which\n"
    "                   integers beyond its range and NaN or infinities are\n"
    "                   quoted atoms of their text\n"
    "  --column-facts   with --all-tables, also write each table's columns as\n"
    "                   facts pgdump2pl_column(Table, Position, Name, Type)\n"
    "  -h, --help       this text; --version: the version (each alone)\n"
    "\n"
    "Exit status: 0 when the whole dump was converted, 1 for wrong arguments,\n"
    "255 when a file cannot be opened, read or written, or the dump is damaged.\n"
    "\n"
    "The manual, pgdump2pl(1), lists the layouts and every message.\n";

int fail(const char* message, const char* path, const std::string& reason) {
  std::fputs(message, stdout);
  std::fflush(stdout);
  std::fputs(failure_line(path, reason).c_str(), stderr);
  return kStatusFailed;
}

// Warnings go out as they come, so that they stay in step with the
// conversion when standard error is a terminal, and above its progress
// line.
class StderrWarnings final : public ConversionListener {
 public:
  StderrWarnings(const char* dump_path, const ArchiveScript* archive, ProgressLine& progress)
      : dump_path_(dump_path), archive_(archive), progress_(progress) {}
  void block_had_misfits(const BlockMisfits& block) override {
    progress_.print_above(misfit_warning(dump_path_, block, place(block.first_line)));
  }
  void warning(std::uint64_t line, std::string_view text) override {
    progress_.print_above(script_warning(dump_path_, line, text, place(line)));
  }

 private:
  // An archive has no lines of its own: its entry and the row within
  // the entry's data say where.
  std::string place(std::uint64_t line) const {
    if (archive_ == nullptr || line == 0) return {};
    const ArchiveScript::Origin origin = archive_->origin_of(line);
    if (origin.entry == nullptr) return "archive header";
    if (origin.data_line == 0) return origin.entry->describe();
    std::string where = "table ";
    if (!origin.entry->schema().empty()) {
      where += origin.entry->schema();
      where += '.';
    }
    where += origin.entry->tag();
    return where + ", row " + std::to_string(origin.data_line);
  }

  const char* dump_path_;
  const ArchiveScript* archive_;
  ProgressLine& progress_;
};

int wrong_arguments(const char* reason) {
  std::fputs(kWrongArguments, stdout);
  std::fflush(stdout);
  std::fprintf(stderr, "pgdump2pl: %s\n%s", reason, kUsage);
  return kStatusWrongArguments;
}

int print(const char* text) {
  std::fputs(text, stdout);
  return std::fflush(stdout) == 0 ? 0 : kStatusFailed;
}

int convert_files(const CommandLineOptions& command) {
  const char* const dump_path = command.dump_path;
  const char* const facts_path = command.facts_path;

  // The fact file is opened only once the dump is known to be readable
  // and distinct from it: a failed start never empties anything.
  DumpInput dump;
  if (const Failure opened = dump.open(dump_path); opened.failed()) {
    return fail(kCannotOpenDump, dump_path, opened.message());
  }
  struct stat facts_stat {};
  if (::stat(facts_path, &facts_stat) == 0 && dump.reads_file(facts_stat)) {
    return fail(kCannotOpenFacts, facts_path, "is the dump itself");
  }
  const int facts_fd = ::open(facts_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (facts_fd < 0) return fail(kCannotOpenFacts, facts_path, std::strerror(errno));

  ProgressLine progress(STDERR_FILENO, dump.size(), !command.quiet);
  ByteSource& script = dump.script(progress);
  FdSink facts_sink(facts_fd);
  StderrWarnings warnings(dump_path, dump.archive(), progress);
  ConversionOptions options;
  options.all_tables = command.all_tables;
  options.encoding = command.encoding;
  options.tables = &command.tables;
  options.predicates = {command.dialect, command.column_facts};
  const ConversionOutcome outcome = convert(script, facts_sink, options, warnings);
  progress.finish();

  if (outcome.status == ScanStatus::read_failed) return fail(kCannotReadDump, dump_path, outcome.failure.message());
  if (outcome.status == ScanStatus::write_failed) return fail(kCannotWriteFacts, facts_path, outcome.failure.message());
  return 0;
}

}  // namespace

int run_command_line(int argc, const char* const* argv) {
  const ParsedCommandLine parsed = parse_command_line(argc, argv);
  if (!parsed.error.empty()) return wrong_arguments(parsed.error.c_str());
  const CommandLineOptions& command = parsed.options;
  if (command.action == CommandLineOptions::Action::help) return print((std::string(kUsage) + kHelp).c_str());
  if (command.action == CommandLineOptions::Action::version) return print("pgdump2pl " PGDUMP2PL_VERSION "\n");
  // Running out of memory is a failure to read the dump, never an abort.
  try {
    return convert_files(command);
  } catch (const std::bad_alloc&) {
    return fail(kCannotReadDump, command.dump_path, "out of memory");
  }
}

}  // namespace pgdump2pl

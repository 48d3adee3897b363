// Command lines and what they ask for, or why they are wrong.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pgdump2pl::testing {
namespace {

// The outcome in one line: the reason, or the action, the flags, the
// paths and which of three tables the patterns select.
std::string describe(const ParsedCommandLine& parsed) {
  if (!parsed.error.empty()) return "error: " + parsed.error;
  const CommandLineOptions& o = parsed.options;
  if (o.action == CommandLineOptions::Action::help) return "help";
  if (o.action == CommandLineOptions::Action::version) return "version";
  std::string out;
  if (o.all_tables) out += "all ";
  if (!o.encoding.empty()) out += o.encoding + ' ';
  if (o.quiet) out += "quiet ";
  if (o.dialect == PrologDialect::gnu) out += "gnu ";
  if (o.column_facts) out += "columns ";
  out += std::string(o.dump_path) + ' ' + o.facts_path + " [";
  for (const auto* table : {"sites", "hits", "other.sites"}) {
    const std::string name = table;
    const std::size_t dot = name.find('.');
    const bool selected = dot == std::string::npos ? o.tables.selects("public", name)
                                                   : o.tables.selects(name.substr(0, dot), name.substr(dot + 1));
    if (selected) out += std::string(out.back() == '[' ? "" : " ") + table;
  }
  return out + ']';
}

TEST(Options, ParseAsGetoptDoesWithTheTwoPathsLast) {
  const struct {
    std::vector<const char*> args;
    std::string outcome;
  } cases[] = {
      {{"d.sql", "f.pl"}, "d.sql f.pl [sites hits other.sites]"},
      {{"--help"}, "help"},
      {{"-h"}, "help"},
      {{"--version"}, "version"},
      {{"--help", "-q"}, "--help -q [sites hits other.sites]"},
      {{"-q", "-t", "d.sql", "f.pl"}, "error: -t needs a table pattern"},
      {{"--quiet", "d.sql", "f.pl"}, "quiet d.sql f.pl [sites hits other.sites]"},
      {{"-t", "sites", "d.sql", "f.pl"}, "d.sql f.pl [sites other.sites]"},
      {{"-tSITES", "-t", "hits", "d.sql", "f.pl"}, "d.sql f.pl [sites hits other.sites]"},
      {{"--table=public.*", "d.sql", "f.pl"}, "d.sql f.pl [sites hits]"},
      {{"--table", "hits", "d.sql", "f.pl"}, "d.sql f.pl [hits]"},
      {{"-T", "other.*", "--exclude-table=hits", "d.sql", "f.pl"}, "d.sql f.pl [sites]"},
      {{"-qT", "sites", "d.sql", "f.pl"}, "quiet d.sql f.pl [hits]"},
      {{"-qTsites", "d.sql", "f.pl"}, "quiet d.sql f.pl [hits]"},
      {{"-t", "-q", "d.sql", "f.pl"}, "d.sql f.pl []"},
      {{"--table=", "d.sql", "f.pl"}, "d.sql f.pl []"},
      {{"--", "-q", "f.pl"}, "-q f.pl [sites hits other.sites]"},
      {{"-q", "--", "--", "f.pl"}, "quiet -- f.pl [sites hits other.sites]"},
      {{"--all-tables", "--encoding", "latin1", "d.sql", "f.pl"}, "all latin1 d.sql f.pl [sites hits other.sites]"},
      {{"--encoding=WIN1252", "d.sql", "f.pl"}, "WIN1252 d.sql f.pl [sites hits other.sites]"},
      {{"--all-tables", "--dialect=gnu", "--column-facts", "d.sql", "f.pl"},
       "all gnu columns d.sql f.pl [sites hits other.sites]"},
      {{"--dialect", "swi", "--all-tables", "d.sql", "f.pl"}, "all d.sql f.pl [sites hits other.sites]"},
      {{"--all-tables", "--dialect=yap", "d.sql", "f.pl"}, "error: unknown dialect yap (swi or gnu)"},
      {{"--dialect=swi", "d.sql", "f.pl"}, "error: --dialect needs --all-tables"},
      {{"--column-facts", "d.sql", "f.pl"}, "error: --column-facts needs --all-tables"},
      {{}, "error: expected 2 arguments, got 0"},
      {{"d.sql"}, "error: expected 2 arguments, got 1"},
      {{"d.sql", "f.pl", "x"}, "error: expected 2 arguments, got 3"},
      {{"d.sql", "-q", "f.pl"}, "error: expected 2 arguments, got 3"},
      {{"-q", "-", "d.sql", "f.pl"}, "error: expected 2 arguments, got 3"},
      {{"--", "-q", "d.sql", "f.pl"}, "error: expected 2 arguments, got 3"},
      {{"--table", "d.sql", "f.pl"}, "error: --table needs a table pattern"},
      {{"--exclude-table", "d.sql", "f.pl"}, "error: --exclude-table needs a table pattern"},
      {{"--all-tables", "--encoding", "d.sql", "f.pl"}, "error: --encoding needs an encoding's name"},
      {{"--encoding=KLINGON", "d.sql", "f.pl"}, "error: unknown encoding KLINGON"},
      {{"--encoding=", "d.sql", "f.pl"}, "error: unknown encoding \"\""},
      {{"--all", "d.sql", "f.pl"}, "error: unknown option --all"},
      {{"-qx", "d.sql", "f.pl"}, "error: unknown option -x"},
      {{"--quiet=yes", "d.sql", "f.pl"}, "error: --quiet takes no value"},
      {{"--help", "d.sql", "f.pl"}, "error: --help takes no other arguments"},
      {{"-h", "d.sql", "f.pl"}, "error: -h takes no other arguments"},
      {{"-t", "site[s]", "d.sql", "f.pl"},
       "error: table pattern site[s]: [ is a regular expression operator, which pgdump2pl does not read"},
      {{"-Ta.b.c.d", "d.sql", "f.pl"}, "error: table pattern a.b.c.d has too many dotted names"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"pgdump2pl"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(describe(parse_command_line(static_cast<int>(argv.size()), argv.data())), c.outcome) << c.outcome;
  }
}

}  // namespace
}  // namespace pgdump2pl::testing

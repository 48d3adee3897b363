#include "cli/options.h"

#include <string_view>

#include "values/text_encoding.h"

namespace pgdump2pl {
namespace {

class OptionParser {
 public:
  OptionParser(int argc, const char* const* argv, CommandLineOptions& options, std::string& error)
      : argc_(argc), argv_(argv), options_(options), error_(error) {}

  // Reads the options up to the paths; false with `error_` set.
  bool read_options() {
    while (argc_ - next_ > 2) {
      const std::string_view arg = argv_[next_];
      if (arg == "--") {
        ++next_;
        return true;
      }
      if (arg.size() < 2 || arg[0] != '-') return true;
      ++next_;
      if (!(arg[1] == '-' ? long_option(arg) : short_options(arg))) return false;
    }
    return true;
  }

  int next() const { return next_; }

 private:
  bool long_option(std::string_view arg) {
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const bool has_value = equals != std::string_view::npos;
    const std::string_view value = has_value ? arg.substr(equals + 1) : std::string_view();
    if (name == "--all-tables" || name == "--quiet" || name == "--column-facts") {
      if (has_value) return fail(std::string(name) + " takes no value");
      (name == "--quiet"          ? options_.quiet
       : name == "--column-facts" ? options_.column_facts
                                  : options_.all_tables) = true;
      return true;
    }
    if (name == "--dialect") return with_value(name, has_value, value, "swi or gnu");
    if (name == "--encoding") return with_value(name, has_value, value, "an encoding's name");
    if (name == "--table" || name == "--exclude-table") return with_value(name, has_value, value, "a table pattern");
    if (name == "--help" || name == "--version") return fail(std::string(name) + " takes no other arguments");
    return fail("unknown option " + std::string(arg));
  }

  // A cluster such as `-q`, `-qtx` or `-T`: a letter that takes a value
  // takes the rest of the cluster, or else the next argument.
  bool short_options(std::string_view arg) {
    for (std::size_t i = 1; i < arg.size(); ++i) {
      const char letter = arg[i];
      const std::string name{'-', letter};
      if (letter == 'q') {
        options_.quiet = true;
      } else if (letter == 't' || letter == 'T') {
        const bool attached = i + 1 < arg.size();
        return with_value(name, attached, attached ? arg.substr(i + 1) : std::string_view(), "a table pattern");
      } else if (letter == 'h') {
        return fail("-h takes no other arguments");
      } else {
        return fail("unknown option " + name);
      }
    }
    return true;
  }

  bool with_value(std::string_view name, bool has_value, std::string_view value, const char* what) {
    if (!has_value) {
      // The last two arguments are the paths, never a value.
      if (argc_ - next_ <= 2) return fail(std::string(name) + " needs " + what);
      value = argv_[next_++];
    }
    if (name == "--encoding") {
      // Empty stands for the default within: as a name it is unknown.
      if (value.empty()) return fail("unknown encoding \"\"");
      options_.encoding = value;
      return true;
    }
    if (name == "--dialect") {
      if (value != "swi" && value != "gnu") return fail("unknown dialect " + std::string(value) + " (swi or gnu)");
      options_.dialect = value == "gnu" ? PrologDialect::gnu : PrologDialect::swi;
      options_.dialect_given = true;
      return true;
    }
    const bool exclude = name == "-T" || name == "--exclude-table";
    const PatternReading reading = exclude ? options_.tables.exclude(value) : options_.tables.include(value);
    switch (reading.status) {
      case PatternStatus::ok: return true;
      case PatternStatus::regular_expression:
        return fail("table pattern " + std::string(value) + ": " + value[reading.position] +
                    " is a regular expression operator, which pgdump2pl does not read");
      case PatternStatus::too_many_dots: break;
    }
    return fail("table pattern " + std::string(value) + " has too many dotted names");
  }

  bool fail(std::string reason) {
    error_ = std::move(reason);
    return false;
  }

  int argc_;
  const char* const* argv_;
  CommandLineOptions& options_;
  std::string& error_;
  int next_ = 1;
};

}  // namespace

ParsedCommandLine parse_command_line(int argc, const char* const* argv) {
  ParsedCommandLine parsed;
  CommandLineOptions& options = parsed.options;
  if (argc == 2) {
    const std::string_view sole = argv[1];
    if (sole == "--help" || sole == "-h") options.action = CommandLineOptions::Action::help;
    if (sole == "--version") options.action = CommandLineOptions::Action::version;
    if (options.action != CommandLineOptions::Action::convert) return parsed;
  }
  OptionParser parser(argc, argv, options, parsed.error);
  if (!parser.read_options()) return parsed;
  const int paths = argc - parser.next();
  if (paths != 2) {
    parsed.error = "expected 2 arguments, got " + std::to_string(paths);
    return parsed;
  }
  const std::string& encoding = options.encoding;
  if (!encoding.empty() && !TextEncoding().select(encoding)) {
    parsed.error = "unknown encoding " + encoding;
    return parsed;
  }
  // The default mode's facts are the layouts' and nothing else.
  if (!options.all_tables && (options.dialect_given || options.column_facts)) {
    parsed.error = std::string(options.column_facts ? "--column-facts" : "--dialect") + " needs --all-tables";
    return parsed;
  }
  options.dump_path = argv[parser.next()];
  options.facts_path = argv[parser.next() + 1];
  return parsed;
}

}  // namespace pgdump2pl

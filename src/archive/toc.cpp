#include "archive/toc.h"

#include <cerrno>

namespace pgdump2pl {

namespace {

// The custom format's data offset flags.
constexpr std::uint8_t kOffsetNotSet = 1, kOffsetSet = 2, kOffsetNoData = 3;

bool read_entry(ArchiveInput& input, const ArchiveHeader& header, TocEntry& entry, std::string& scratch,
                Failure& failure) {
  constexpr std::string_view what = "the TOC";
  int had_dumper, section;
  if (!input.read_int(entry.dump_id, what) || !input.read_int(had_dumper, what)) return false;
  entry.had_dumper = had_dumper != 0;
  // The catalog ids (table oid and oid) are not needed.
  if (!input.read_string(scratch, what) || !input.read_string(scratch, what)) return false;
  if (!input.read_string(entry.tag, what) || !input.read_string(entry.desc, what) || !input.read_int(section, what)) {
    return false;
  }
  if (!input.read_string(entry.defn, what) || !input.read_string(scratch, what) /* drop statement */ ||
      !input.read_string(entry.copy_stmt, what) || !input.read_string(entry.schema, what) ||
      !input.read_string(scratch, what) /* tablespace */) {
    return false;
  }
  if (header.minor_version >= 14 && !input.read_string(scratch, what)) return false;  // table access method
  int relkind;
  if (header.minor_version >= 16 && !input.read_int(relkind, what)) return false;
  if (!input.read_string(scratch, what) /* owner */ || !input.read_string(scratch, what) /* with oids */) return false;
  // The dependencies, up to a null string.
  for (bool is_null = false; !is_null;) {
    if (!input.read_string(scratch, is_null, what)) return false;
  }
  if (header.format == DumpFormat::custom_archive) {
    std::uint8_t flag;
    if (!input.read_offset_flag(flag, what)) return false;
    if (flag != kOffsetNotSet && flag != kOffsetSet && flag != kOffsetNoData) {
      return failure.set(EILSEQ, "the TOC is corrupt: a bad data offset flag in " + entry.describe());
    }
    entry.has_data = flag != kOffsetNoData;
  } else {
    bool is_null;
    if (!input.read_string(entry.data_file, is_null, what)) return false;
    entry.has_data = entry.had_dumper && !entry.data_file.empty();
  }
  return true;
}

}  // namespace

std::string TocEntry::describe() const {
  std::string text;
  text.reserve(desc.size() + schema.size() + tag.size() + 24);
  if (desc == "TABLE DATA") text = "table";
  else
    for (const char c : desc) text += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (text.empty()) text = "entry";
  text += ' ';
  if (!schema.empty()) text += schema + '.';
  text += tag;
  text += " (dumpId " + std::to_string(dump_id) + ")";
  return text;
}

bool read_toc(ArchiveInput& input, const ArchiveHeader& header, std::vector<TocEntry>& entries, Failure& failure) {
  int count;
  if (!input.read_int(count, "the TOC")) return false;
  if (count < 0) return failure.set(EILSEQ, "the TOC is corrupt: it counts " + std::to_string(count) + " entries");
  // No room is reserved from the count: the entries grow as their bytes
  // arrive, so a count the input cannot back fails before it costs.
  entries.clear();
  std::string scratch;
  for (int i = 0; i < count; ++i) {
    if (!read_entry(input, header, entries.emplace_back(), scratch, failure)) return false;
  }
  return true;
}

}  // namespace pgdump2pl

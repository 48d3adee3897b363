#include "archive/toc.h"

#include <cerrno>
#include <cstring>

namespace pgdump2pl {

namespace {

// The custom format's data offset flags.
constexpr std::uint8_t kOffsetNotSet = 1, kOffsetSet = 2, kOffsetNoData = 3;

// `texts` and `scratch` are the caller's, so that their room is reused
// from entry to entry.
bool read_entry(ArchiveInput& input, const ArchiveHeader& header, TocEntry& entry, std::string (&texts)[5],
                std::string& scratch, Failure& failure) {
  constexpr std::string_view what = "the TOC";
  std::string& tag = texts[0];
  std::string& desc = texts[1];
  std::string& schema = texts[2];
  std::string& copy_stmt = texts[3];
  std::string& data_file = texts[4];
  data_file.clear();
  int had_dumper, section;
  if (!input.read_int(entry.dump_id, what) || !input.read_int(had_dumper, what)) return false;
  entry.had_dumper = had_dumper != 0;
  // The catalog ids (table oid and oid) are not needed.
  if (!input.read_string(scratch, what) || !input.read_string(scratch, what)) return false;
  if (!input.read_string(tag, what) || !input.read_string(desc, what) || !input.read_int(section, what)) {
    return false;
  }
  if (!input.read_string(entry.defn, what) || !input.read_string(scratch, what) /* drop statement */ ||
      !input.read_string(copy_stmt, what) || !input.read_string(schema, what) ||
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
    entry.set_texts(texts);
    if (flag != kOffsetNotSet && flag != kOffsetSet && flag != kOffsetNoData) {
      return failure.set(EILSEQ, "the TOC is corrupt: a bad data offset flag in " + entry.describe());
    }
    entry.has_data = flag != kOffsetNoData;
  } else {
    bool is_null;
    if (!input.read_string(data_file, is_null, what)) return false;
    entry.has_data = entry.had_dumper && !data_file.empty();
    entry.set_texts(texts);
  }
  return true;
}

}  // namespace

void TocEntry::set_texts(const std::string (&texts)[5]) {
  std::size_t size = 0;
  for (const std::string& text : texts) size += text.size();
  // Each text is at most ArchiveInput::kMaxString, 1 GiB: the five fit.
  texts_ = std::make_unique_for_overwrite<char[]>(size);
  std::size_t at = 0;
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    std::memcpy(texts_.get() + at, texts[i].data(), texts[i].size());
    at += texts[i].size();
    ends_[i] = static_cast<std::uint32_t>(at);
  }
}

std::string TocEntry::describe() const {
  std::string text;
  text.reserve(desc().size() + schema().size() + tag().size() + 24);
  if (desc() == "TABLE DATA") text = "table";
  else
    for (const char c : desc()) text += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (text.empty()) text = "entry";
  text += ' ';
  if (!schema().empty()) {
    text += schema();
    text += '.';
  }
  text += tag();
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
  std::string texts[5];
  std::string scratch;
  for (int i = 0; i < count; ++i) {
    if (!read_entry(input, header, entries.emplace_back(), texts, scratch, failure)) return false;
  }
  return true;
}

}  // namespace pgdump2pl

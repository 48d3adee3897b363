// pgdump2pl-gen-dump SEED SIZE_MB [copy|inserts|rows1000] > dump.sql
//
// A plain pg_dump of a small web-crawler database with about SIZE_MB (10^6
// bytes) of COPY rows; "rows=N" goes to stderr. splitmix64, not <random>'s
// distributions, so that a seed and a size give the same bytes everywhere.
// The style writes the same rows as COPY blocks (the default), or as
// INSERTs the way `pg_dump --inserts` or `--rows-per-insert=1000` writes
// them; SIZE_MB stays the size of the COPY dump, so that every style holds
// the same database.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using u64 = std::uint64_t;
using i64 = std::int64_t;

u64 state;
u64 next() {
  u64 z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}
i64 below(u64 n) { return static_cast<i64>(((next() >> 32) * n) >> 32); }
template <typename T, std::size_t N>
const T& pick(const T (&a)[N]) {
  return a[below(N)];
}

constexpr std::string_view kWords[] = {
    "news",   "blog",    "about",    "contact", "products", "search",  "archive",  "docs",     "help",    "forum",
    "wiki",   "article", "category", "user",    "profile",  "login",   "cart",     "download", "release", "music",
    "video",  "gallery", "travel",   "recipe",  "garden",   "science", "health",   "sport",    "weather", "city",
    "open",   "data",    "cloud",    "linux",   "kernel",   "python",  "database", "postgres", "index",   "report",
    "guide",  "manual",  "faq",      "privacy", "press",    "jobs",    "events",   "map",      "market",  "shop",
    "energy", "water",   "forest",   "library", "school",   "paper",   "crawler",  "feed"};
constexpr std::string_view kTlds[] = {".com", ".com", ".com", ".org", ".net", ".de", ".fr", ".io", ".co.uk", ".jp"};
constexpr std::string_view kSubdomains[] = {"www.", "www.", "www.", "", "", "blog.", "cdn.", "shop.", "news.", "m."};
constexpr std::string_view kEndings[] = {"/", ".html", ".html", ".php", ".htm", ""};
constexpr std::string_view kFileTypes[] = {".pdf", ".pdf", ".zip", ".tar.gz", ".jpg", ".png", ".csv", ".docx"};
constexpr std::string_view kMimeTypes[] = {"text/html",       "text/html; charset=utf-8", "text/plain", "text/css",
                                           "application/pdf", "application/json",         "image/png",  "image/jpeg"};
constexpr std::string_view kUtf8[] = {"caf\u00e9", "Z\u00fcrich", "\u65e5\u672c\u8a9e",
                                      "\u041c\u043e\u0441\u043a\u0432\u0430", "stra\u00dfe"};
// A tab and a backslash, as COPY writes them and as an INSERT's string
// does with standard_conforming_strings on.
constexpr std::string_view kEscaped[2][2] = {{"\\t", "\\\\"}, {"\t", "\\"}};
constexpr i64 kStatus[] = {200, 200, 200, 200, 200, 200, 301, 302, 404, 500};

enum class Kind { seq, ref, num, size, status, day, url, file, file_url, host, mime, real, money, flag, stamp };
// span: a number's bound, or a URL's most path segments; share: per mille of the rows' bytes
struct Column {
  std::string_view name, type;
  Kind kind;
  u64 span = 0;
};
struct Table {
  std::string_view name;
  u64 share;
  std::vector<Column> columns;
};

// In pg_dump's order, by name, with the shares of a real crawl: links and
// pages dominate. No rule matches crawl_stats: it holds the types that only
// a conversion of every table meets.
const Table kTables[] = {
    {"anchors",
     60,
     {{"src", "integer", Kind::ref},
      {"dst", "integer", Kind::ref},
      {"pos", "integer", Kind::num, 200000},
      {"weight", "integer", Kind::num, 100}}},
    {"crawl_stats",
     20,
     {{"site", "integer", Kind::ref},
      {"fetch_ratio", "double precision", Kind::real},
      {"cost", "numeric(10,2)", Kind::money},
      {"robots_ok", "boolean", Kind::flag},
      {"crawled_at", "timestamp without time zone", Kind::stamp}}},
    {"depths", 5, {{"level", "integer", Kind::num, 12}}},
    {"files", 155, {{"name", "text", Kind::file}, {"url", "text", Kind::file_url, 3}, {"size", "bigint", Kind::size}}},
    {"hits",
     50,
     {{"site", "integer", Kind::ref}, {"day", "integer", Kind::day}, {"count", "integer", Kind::num, 1000}}},
    {"inlinks",
     290,
     {{"id", "integer", Kind::seq},
      {"src_url", "text", Kind::url, 5},
      {"dst_url", "text", Kind::url, 5},
      {"weight", "integer", Kind::num, 100}}},
    {"mimetypes", 10, {{"type", "text", Kind::mime}, {"count", "integer", Kind::num, 1000000}}},
    {"pages",
     215,
     {{"id", "integer", Kind::seq},
      {"url", "text", Kind::url, 5},
      {"status", "integer", Kind::status},
      {"size", "bigint", Kind::size}}},
    {"proxies", 15, {{"host", "text", Kind::host}, {"port", "integer", Kind::num, 65536}}},
    {"sites", 140, {{"url", "text", Kind::url, 1}, {"id", "integer", Kind::seq}}},
    {"timings",
     40,
     {{"page", "integer", Kind::ref}, {"dns", "integer", Kind::num, 200}, {"total", "integer", Kind::num, 5000}}},
};

enum class Style { copy, inserts, rows1000 };
Style style = Style::copy;
std::string out;
u64 flushed = 0, refs = 100;

void flush() {
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) std::perror("pgdump2pl-gen-dump"), std::exit(1);
  flushed += out.size();
  out.clear();
}
template <typename T>
void number(T v) {
  char b[32];
  out.append(b, std::to_chars(b, b + sizeof b, v).ptr);
}
void two_digits(i64 v) { out += {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)}; }

// Mostly ASCII; now and then a word in another script, or one holding a
// character COPY escapes.
void word() {
  const i64 r = below(1000);
  out += r < 15 ? pick(kUtf8) : pick(kWords);
  if (r >= 15 && r < 18) out += pick(kEscaped[style == Style::copy ? 0 : 1]);
}
void host() {
  out += pick(kSubdomains), out += pick(kWords);
  if (below(3) == 0) out += '-', out += pick(kWords);
  out += pick(kTlds);
}
void file() { word(), out += below(2) != 0 ? "_" : "-", word(), out += pick(kFileTypes); }
i64 url_path(u64 max_segments) {
  out += below(5) != 0 ? "https://" : "http://";
  host();
  const i64 segments = below(max_segments + 1);
  for (i64 i = 0; i < segments; ++i) {
    out += '/';
    if (below(4) == 0) number(below(100000));
    else word();
  }
  return segments;
}
void url(u64 max_segments) {
  out += url_path(max_segments) != 0 ? pick(kEndings) : "/";
  if (max_segments > 1 && below(4) == 0) out += "?id=", number(below(100000));
}

void value(const Column& c, i64 n) {
  switch (c.kind) {
    case Kind::seq: return number(n);
    case Kind::ref: return number(1 + below(refs));
    case Kind::num: return number(below(c.span));
    case Kind::size: return number(next() >> 28 >> below(28));  // as many files of 1 KB as of 1 GB
    case Kind::status: return number(pick(kStatus));
    case Kind::day: return number(20230000 + 100 * (1 + below(12)) + 1 + below(28));
    case Kind::url: return url(c.span);
    case Kind::file: return file();
    case Kind::file_url: url_path(c.span), out += '/', file(); return;
    case Kind::host: return host();
    case Kind::mime: out += pick(kMimeTypes); return;
    case Kind::real: return number(static_cast<double>(below(100000)) / static_cast<double>(1 + below(100)));
    case Kind::money: number(below(100000)), out += '.', two_digits(below(100)); return;
    case Kind::flag: {
      const bool flag = below(10) != 0;
      if (style == Style::copy) out += flag ? 't' : 'f';
      else out += flag ? "true" : "false";
      return;
    }
    case Kind::stamp:
      number(2023 + below(2)), out += '-', two_digits(1 + below(12)), out += '-', two_digits(1 + below(28));
      out += ' ', two_digits(below(24)), out += ':', two_digits(below(60)), out += ':', two_digits(below(60));
  }
}

// An INSERT's literal: texts and timestamps quoted, their quotes doubled;
// numbers and booleans bare.
void literal(const Column& c, i64 n) {
  if (c.kind != Kind::url && c.kind != Kind::file && c.kind != Kind::file_url && c.kind != Kind::host &&
      c.kind != Kind::mime && c.kind != Kind::stamp)
    return value(c, n);
  out += '\'';
  const std::size_t from = out.size();
  value(c, n);
  for (std::size_t i = from; i < out.size(); ++i)
    if (out[i] == '\'') out.insert(i++, 1, '\'');
  out += '\'';
}

// About one row in a hundred holds a NULL, never in a NOT NULL column.
void row(const Table& t, i64 n) {
  const std::size_t count = t.columns.size();
  const std::size_t null_at = below(100) != 0 ? count : static_cast<std::size_t>(count - 1 - below(count - 1));
  for (std::size_t i = 0; i < count; ++i) {
    if (style == Style::copy) {
      if (i != 0) out += '\t';
      if (i == null_at) out += "\\N";
      else value(t.columns[i], n);
    } else {
      if (i != 0) out += ", ";
      if (i == null_at) out += "NULL";
      else literal(t.columns[i], n);
    }
  }
  if (style == Style::copy) out += '\n';
}

}  // namespace

int main(int argc, char** argv) {
  u64 seed = 0;
  double mb = -1;
  const auto parse = [](std::string_view s, auto& v) {
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
    return error == std::errc() && end == s.data() + s.size();
  };
  const std::string_view styles[] = {"copy", "inserts", "rows1000"};
  if (argc == 4) {
    const auto named = std::find(std::begin(styles), std::end(styles), std::string_view(argv[3]));
    style = static_cast<Style>(named - std::begin(styles));
  }
  if (argc < 3 || argc > 4 || !parse(argv[1], seed) || !parse(argv[2], mb) || !(mb >= 0 && mb < 1e7) ||
      static_cast<std::size_t>(style) >= std::size(styles)) {
    std::fputs("usage: pgdump2pl-gen-dump SEED SIZE_MB [copy|inserts|rows1000] > dump.sql\n", stderr);
    return 2;
  }
  state = seed;
  const u64 target = static_cast<u64>(mb * 1e6);
  refs = target / 250 > refs ? target / 250 : refs;
  out =
      "--\n-- PostgreSQL database dump\n--\n\n"
      "-- Dumped from database version 17.6\n-- Dumped by pg_dump version 17.6\n\n"
      "SET statement_timeout = 0;\nSET client_encoding = 'UTF8';\nSET standard_conforming_strings = on;\n"
      "SELECT pg_catalog.set_config('search_path', '', false);\n\n";
  for (const Table& t : kTables) {
    out += "--\n-- Name: ", out += t.name, out += "; Type: TABLE; Schema: public; Owner: crawler\n--\n\n";
    out += "CREATE TABLE public.", out += t.name, out += " (\n";
    for (const Column& c : t.columns) {
      out += "    ", out += c.name, out += ' ', out += c.type;
      if (&c == &t.columns.front() && t.columns.size() > 1) out += " NOT NULL";
      out += &c != &t.columns.back() ? ",\n" : "\n";
    }
    out += ");\n\n\nALTER TABLE public.", out += t.name, out += " OWNER TO crawler;\n\n";
  }
  const u64 start = out.size(), room = target > start ? target - start : 0;
  // The COPY dump's bytes so far, whatever the style: they alone decide
  // how many rows each table gets.
  u64 copy_size = start, rows = 0, per_mille = 0;
  const Style chosen = style;
  for (const Table& t : kTables) {
    std::size_t from = out.size();
    out += "--\n-- Data for Name: ", out += t.name, out += "; Type: TABLE DATA; Schema: public; Owner: crawler\n--\n\n";
    out += "COPY public.", out += t.name, out += " (";
    for (const Column& c : t.columns) out += c.name, out += &c != &t.columns.back() ? ", " : ") FROM stdin;\n";
    copy_size += out.size() - from;
    if (chosen != Style::copy) out.resize(out.find("COPY public.", from));
    per_mille += t.share;
    const u64 goal = start + room / 1000 * per_mille + room % 1000 * per_mille / 1000;
    i64 n = 1;
    for (; copy_size < goal; ++n, ++rows) {
      const u64 before = state;
      style = Style::copy, from = out.size();
      row(t, n);
      copy_size += out.size() - from;
      if ((style = chosen) != Style::copy) {
        out.resize(from), state = before;
        if (style == Style::inserts || n % 1000 == 1) {
          if (n != 1 && style == Style::rows1000) out += ";\n";
          out += "INSERT INTO public.", out += t.name, out += style == Style::inserts ? " VALUES (" : " VALUES\n\t(";
        } else {
          out += ",\n\t(";
        }
        row(t, n);
        out += style == Style::inserts ? ");\n" : ")";
      }
      if (out.size() >= (1 << 20)) flush();
    }
    copy_size += 5;
    if (style == Style::copy) out += "\\.\n\n\n";
    else out += style == Style::rows1000 && n != 1 ? ";\n\n\n" : "\n\n";
  }
  out += "--\n-- PostgreSQL database dump complete\n--\n\n";
  flush();
  if (std::fflush(stdout) != 0) return std::perror("pgdump2pl-gen-dump"), 1;
  std::fprintf(stderr, "rows=%llu\n", static_cast<unsigned long long>(rows));
}

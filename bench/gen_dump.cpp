// pgdump2pl-gen-dump: writes a large plain-text dump of a web-crawler
// database in the shape modern pg_dump produces, for benchmarking pgdump2pl.
//
//   pgdump2pl-gen-dump SEED SIZE_BYTES OUT_PATH      (OUT_PATH "-" = stdout)
//
// The same SEED and SIZE_BYTES always give byte-identical output: all values
// come from a splitmix64 stream whose output is fixed by its definition (the
// std:: distributions are not portable across library versions).
// Data blocks are filled until SIZE_BYTES is reached; the file exceeds it by
// at most one row plus the closing "\." and the post-data statements.
// On success one line "rows=N bytes=M" goes to stderr; N counts every data
// row, including the seven rows of the two tables no conversion rule covers.
//
// Standard library only, so it builds without the converter's sources:
//   g++ -std=c++20 -O2 bench/gen_dump.cpp -o pgdump2pl-gen-dump

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

using u32 = std::uint32_t;
using u64 = std::uint64_t;
using i64 = std::int64_t;

class Rng {
public:
    explicit Rng(u64 seed) : state_(seed) {}

    u64 next() {
        u64 z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, n) by multiply-shift; the bias is far below anything a
    // benchmark could notice, and it needs no rejection loop.
    u32 below(u32 n) { return static_cast<u32>(((next() >> 32) * n) >> 32); }

    bool percent(u32 p) { return below(100) < p; }

    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& a) {
        return a[below(static_cast<u32>(N))];
    }

private:
    u64 state_;
};

class Output {
public:
    explicit Output(std::FILE* f) : f_(f), buf_(kBufferSize) {}

    void put(std::string_view s) {
        if (s.size() > buf_.size() - len_) {
            flush();
            if (s.size() > buf_.size()) {
                write(s.data(), s.size());
                return;
            }
        }
        std::memcpy(buf_.data() + len_, s.data(), s.size());
        len_ += s.size();
    }

    void put(char c) {
        if (len_ == buf_.size()) flush();
        buf_[len_++] = c;
    }

    void putInt(i64 v) {
        if (buf_.size() - len_ < 24) flush();
        auto r = std::to_chars(buf_.data() + len_, buf_.data() + buf_.size(), v);
        len_ = static_cast<std::size_t>(r.ptr - buf_.data());
    }

    u64 size() const { return written_ + len_; }

    void flush() {
        write(buf_.data(), len_);
        len_ = 0;
    }

private:
    static constexpr std::size_t kBufferSize = std::size_t{4} << 20;

    void write(const char* p, std::size_t n) {
        if (n != 0 && std::fwrite(p, 1, n, f_) != n) {
            std::perror("pgdump2pl-gen-dump: write");
            std::exit(1);
        }
        written_ += n;
    }

    std::FILE* f_;
    std::vector<char> buf_;
    std::size_t len_ = 0;
    u64 written_ = 0;
};

void appendInt(std::string& s, i64 v) {
    char tmp[24];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    s.append(tmp, r.ptr);
}

constexpr std::array<std::string_view, 96> kWords{
    "news", "blog", "about", "contact", "products", "search", "archive", "docs",
    "help", "support", "forum", "wiki", "article", "story", "category", "tag",
    "user", "profile", "login", "register", "cart", "checkout", "download", "release",
    "music", "video", "photo", "gallery", "travel", "food", "recipe", "garden",
    "science", "health", "sport", "football", "weather", "city", "europe", "asia",
    "open", "data", "cloud", "linux", "kernel", "python", "rust", "database",
    "postgres", "index", "report", "annual", "summary", "guide", "manual", "faq",
    "terms", "privacy", "press", "jobs", "careers", "team", "events", "calendar",
    "map", "street", "house", "market", "shop", "store", "deal", "offer",
    "green", "solar", "energy", "water", "river", "mountain", "forest", "ocean",
    "book", "library", "school", "course", "lecture", "paper", "thesis", "journal",
    "crawler", "spider", "feed", "media", "static", "assets", "images", "files"};

constexpr std::array<std::string_view, 20> kTlds{
    ".com", ".com", ".com", ".org", ".net", ".de", ".fr", ".io", ".co.uk", ".nl",
    ".jp", ".edu", ".info", ".es", ".it", ".com.au", ".ca", ".ch", ".se", ".pl"};

constexpr std::array<std::string_view, 16> kSubdomains{
    "www.", "www.", "www.", "www.", "www.", "", "", "blog.", "cdn.", "shop.",
    "news.", "en.", "m.", "docs.", "static.", "forum."};

constexpr std::array<std::string_view, 8> kPageEndings{
    "/", "/", ".html", ".html", ".php", ".htm", ".aspx", ""};

constexpr std::array<std::string_view, 14> kQueryKeys{
    "id", "page", "lang", "q", "ref", "sort", "utm_source", "utm_medium",
    "session", "p", "offset", "limit", "cat", "view"};

constexpr std::array<std::string_view, 18> kFileExtensions{
    ".pdf", ".pdf", ".pdf", ".zip", ".tar.gz", ".jpg", ".png", ".docx", ".csv",
    ".mp4", ".iso", ".txt", ".xlsx", ".json", ".xml", ".mp3", ".gif", ".deb"};

constexpr std::array<std::string_view, 30> kMimeTypes{
    "text/html", "text/html", "text/html", "text/plain", "text/css", "text/csv",
    "text/xml", "application/javascript", "application/json", "application/pdf",
    "application/zip", "application/gzip", "application/xml", "application/rss+xml",
    "application/octet-stream", "application/msword",
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
    "application/x-shockwave-flash", "image/jpeg", "image/png", "image/gif",
    "image/webp", "image/svg+xml", "image/x-icon", "audio/mpeg", "video/mp4",
    "video/webm", "font/woff2", "application/wasm"};

constexpr std::array<std::string_view, 6> kCharsets{
    "; charset=utf-8", "; charset=UTF-8", "; charset=iso-8859-1",
    "; charset=windows-1252", "; charset=utf-8", "; charset=us-ascii"};

// Values pg_dump escapes in COPY text: the COPY form is what we write.
constexpr std::array<std::string_view, 7> kEscapes{
    "\\\\", "\\t", "\\n", "\\r", "C:\\\\Windows\\\\Temp", "a\\tb\\nc", "\\\\N"};

constexpr std::array<std::string_view, 5> kQuotes{
    "l'eau", "O'Brien", "it's", "''", "rock'n'roll"};

constexpr std::array<std::string_view, 10> kUtf8{
    "caf\u00e9", "Z\u00fcrich", "na\u00efve", "\u65e5\u672c\u8a9e",
    "\u041c\u043e\u0441\u043a\u0432\u0430", "\U0001F600", "\u00f8re",
    "\u1f00\u03bb\u03c6\u03b1", "\u20ac10", "stra\u00dfe"};

enum class Gen {
    Seq, PageRef, SiteUrl, PageUrl, FileName, FileUrl, Host, ProxyHost, Mime,
    Status, Size, Weight, Level, Port, Day, Count, ConnectMs, TotalMs, Pos, Len
};

bool isText(Gen g) {
    switch (g) {
    case Gen::SiteUrl: case Gen::PageUrl: case Gen::FileName: case Gen::FileUrl:
    case Gen::Host: case Gen::ProxyHost: case Gen::Mime:
        return true;
    default:
        return false;
    }
}

bool isUrl(Gen g) { return g == Gen::SiteUrl || g == Gen::PageUrl || g == Gen::FileUrl; }

struct Col {
    std::string_view name;
    std::string_view type;  // as pg_dump writes it in CREATE TABLE
    Gen gen;
    bool bigint() const { return type == "bigint"; }
};

struct Table {
    std::string_view name;
    std::string_view comment;
    std::vector<Col> cols;
    u32 share;  // per mille of the data bytes
    std::string_view sequence;  // "" when the id column has no sequence
};

// Shares follow a real crawl: link and page tables dominate, lookup tables are small.
const std::vector<Table>& tables() {
    static const std::vector<Table> t{
        {"anchors", "Anchor positions of links inside crawled pages",
         {{"src_id", "integer", Gen::PageRef}, {"dst_id", "integer", Gen::PageRef},
          {"pos", "integer", Gen::Pos}, {"len", "integer", Gen::Len}}, 60, ""},
        {"depths", "Link depth of every crawled page", {{"level", "integer", Gen::Level}}, 5, ""},
        {"files", "Downloadable files found by the crawler",
         {{"name", "text", Gen::FileName}, {"url", "text", Gen::FileUrl},
          {"size", "bigint", Gen::Size}}, 160, ""},
        {"hits", "Daily hit counts per page",
         {{"page_id", "integer", Gen::PageRef}, {"day", "integer", Gen::Day},
          {"count", "bigint", Gen::Count}}, 50, ""},
        {"inlinks", "Links between pages, with their weight",
         {{"id", "integer", Gen::Seq}, {"src_url", "text", Gen::PageUrl},
          {"dst_url", "text", Gen::PageUrl}, {"weight", "integer", Gen::Weight}}, 300, ""},
        {"mimetypes", "Content types seen, with counts",
         {{"type", "text", Gen::Mime}, {"count", "bigint", Gen::Count}}, 10, ""},
        {"pages", "Fetched pages",
         {{"id", "integer", Gen::Seq}, {"url", "text", Gen::PageUrl},
          {"status", "integer", Gen::Status}, {"size", "bigint", Gen::Size}}, 220,
         "pages_id_seq"},
        {"proxies", "HTTP proxies used for fetching",
         {{"host", "text", Gen::ProxyHost}, {"port", "integer", Gen::Port}}, 15, ""},
        {"sites", "Seed sites of the crawl",
         {{"url", "text", Gen::SiteUrl}, {"id", "integer", Gen::Seq}}, 140, "sites_id_seq"},
        {"timings", "Fetch timings per page",
         {{"page_id", "integer", Gen::PageRef}, {"connect_ms", "integer", Gen::ConnectMs},
          {"total_ms", "integer", Gen::TotalMs}}, 40, ""},
    };
    return t;
}

enum class Oddity { Null, Escape, Quote, Utf8, Empty, Negative, Big, LongUrl };

struct OddityWeight {
    Oddity kind;
    u32 weight;
};

constexpr std::array<OddityWeight, 8> kOddities{{
    {Oddity::Null, 22}, {Oddity::Escape, 20}, {Oddity::Quote, 12}, {Oddity::Utf8, 20},
    {Oddity::Empty, 10}, {Oddity::Negative, 10}, {Oddity::Big, 8}, {Oddity::LongUrl, 2}}};

class Generator {
public:
    Generator(u64 seed, u64 target, Output& out)
        : rng_(seed), seed_(seed), target_(target), out_(out),
          refMax_(static_cast<u32>(std::min<u64>(std::max<u64>(target / 250, 100),
                                                 std::numeric_limits<std::int32_t>::max()))) {}

    u64 run() {
        makeRestrictKey();
        preamble();
        const u64 start = out_.size();
        const u64 room = target_ > start ? target_ - start : 0;
        u32 cumulative = 0;
        copyFixed("\"CrawlQueue\"", "id, url, \"addedAt\"",
                  {"1\thttps://www.example.org/\t2024-03-01 08:00:00+00",
                   "2\thttps://blog.example.net/feed.xml\t2024-03-01 08:00:05+00",
                   "3\thttps://news.example.com/?page=2\t\\N",
                   "4\thttps://www.example.de/kontakt\t2024-03-02 17:45:12.5+00"});
        for (const Table& t : tables()) {
            cumulative += t.share;
            copyTable(t, start + room / 1000 * cumulative + room % 1000 * cumulative / 1000);
            if (t.name == "proxies")
                copyFixed("robots_exclusions", "host, pattern",
                          {"www.example.org\t/private/", "shop.example.com\t/cart",
                           "www.example.de\t\\N"});
        }
        postData();
        out_.flush();
        return rows_;
    }

private:
    // pg_dump brackets the script with a random key that psql checks.
    void makeRestrictKey() {
        constexpr std::string_view alnum =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int i = 0; i < 63; ++i) restrictKey_ += alnum[rng_.below(static_cast<u32>(alnum.size()))];
    }

    void header(std::string_view name, std::string_view type) {
        out_.put("--\n-- Name: ");
        out_.put(name);
        out_.put("; Type: ");
        out_.put(type);
        out_.put("; Schema: public; Owner: crawler\n--\n\n");
    }

    void preamble() {
        out_.put("--\n-- PostgreSQL database dump\n--\n\n\\restrict ");
        out_.put(restrictKey_);
        out_.put("\n\n-- Dumped from database version 17.6 (Debian 17.6-1.pgdg120+1)\n"
                 "-- Dumped by pg_dump version 17.6 (Debian 17.6-1.pgdg120+1)\n\n"
                 "SET statement_timeout = 0;\n"
                 "SET lock_timeout = 0;\n"
                 "SET idle_in_transaction_session_timeout = 0;\n"
                 "SET transaction_timeout = 0;\n"
                 "SET client_encoding = 'UTF8';\n"
                 "SET standard_conforming_strings = on;\n"
                 "SELECT pg_catalog.set_config('search_path', '', false);\n"
                 "SET check_function_bodies = false;\n"
                 "SET xmloption = content;\n"
                 "SET client_min_messages = warning;\n"
                 "SET row_security = off;\n\n"
                 "SET default_tablespace = '';\n\n"
                 "SET default_table_access_method = heap;\n\n");
        header("CrawlQueue", "TABLE");
        out_.put("CREATE TABLE public.\"CrawlQueue\" (\n"
                 "    id integer NOT NULL,\n"
                 "    url text NOT NULL,\n"
                 "    \"addedAt\" timestamp with time zone DEFAULT now()\n);\n\n\n"
                 "ALTER TABLE public.\"CrawlQueue\" OWNER TO crawler;\n\n");
        header("TABLE \"CrawlQueue\"", "COMMENT");
        out_.put("COMMENT ON TABLE public.\"CrawlQueue\" IS 'URLs waiting for the crawler''s next pass';\n\n\n");
        for (const Table& t : tables()) {
            header(t.name, "TABLE");
            out_.put("CREATE TABLE public.");
            out_.put(t.name);
            out_.put(" (\n");
            for (std::size_t i = 0; i < t.cols.size(); ++i) {
                out_.put("    ");
                out_.put(t.cols[i].name);
                out_.put(' ');
                out_.put(t.cols[i].type);
                if (t.cols[i].gen == Gen::Seq) out_.put(" NOT NULL");
                out_.put(i + 1 < t.cols.size() ? ",\n" : "\n");
            }
            out_.put(");\n\n\nALTER TABLE public.");
            out_.put(t.name);
            out_.put(" OWNER TO crawler;\n\n");
            header(std::string("TABLE ").append(t.name), "COMMENT");
            out_.put("COMMENT ON TABLE public.");
            out_.put(t.name);
            out_.put(" IS '");
            out_.put(t.comment);
            out_.put("';\n\n\n");
            if (!t.sequence.empty()) sequence(t);
            if (t.name == "proxies") {
                header("robots_exclusions", "TABLE");
                out_.put("CREATE TABLE public.robots_exclusions (\n"
                         "    host text NOT NULL,\n    pattern text\n);\n\n\n"
                         "ALTER TABLE public.robots_exclusions OWNER TO crawler;\n\n");
            }
        }
        for (const Table& t : tables()) {
            if (t.sequence.empty()) continue;
            header(std::string(t.name).append(" id"), "DEFAULT");
            out_.put("ALTER TABLE ONLY public.");
            out_.put(t.name);
            out_.put(" ALTER COLUMN id SET DEFAULT nextval('public.");
            out_.put(t.sequence);
            out_.put("'::regclass);\n\n\n");
        }
    }

    void sequence(const Table& t) {
        header(t.sequence, "SEQUENCE");
        out_.put("CREATE SEQUENCE public.");
        out_.put(t.sequence);
        out_.put("\n    AS integer\n    START WITH 1\n    INCREMENT BY 1\n"
                 "    NO MINVALUE\n    NO MAXVALUE\n    CACHE 1;\n\n\nALTER SEQUENCE public.");
        out_.put(t.sequence);
        out_.put(" OWNER TO crawler;\n\n");
        header(t.sequence, "SEQUENCE OWNED BY");
        out_.put("ALTER SEQUENCE public.");
        out_.put(t.sequence);
        out_.put(" OWNED BY public.");
        out_.put(t.name);
        out_.put(".id;\n\n\n");
    }

    void copyHeader(std::string_view quotedName, std::string_view columns) {
        std::string_view bare = quotedName;
        if (bare.front() == '"') bare = bare.substr(1, bare.size() - 2);
        header(bare, "TABLE DATA");
        out_.put("COPY public.");
        out_.put(quotedName);
        out_.put(" (");
        out_.put(columns);
        out_.put(") FROM stdin;\n");
    }

    void copyEnd() { out_.put("\\.\n\n\n"); }

    void copyFixed(std::string_view name, std::string_view columns,
                   std::initializer_list<std::string_view> rows) {
        copyHeader(name, columns);
        for (std::string_view r : rows) {
            out_.put(r);
            out_.put('\n');
            ++rows_;
        }
        copyEnd();
    }

    void copyTable(const Table& t, u64 until) {
        std::string columns;
        for (const Col& c : t.cols) {
            if (!columns.empty()) columns += ", ";
            columns += c.name;
        }
        copyHeader(t.name, columns);
        i64 n = 0;
        while (out_.size() < until) {
            ++n;
            row(t, n);
        }
        rows_ += static_cast<u64>(n);
        copyEnd();
        if (!t.sequence.empty()) {
            header(t.sequence, "SEQUENCE SET");
            out_.put("SELECT pg_catalog.setval('public.");
            out_.put(t.sequence);
            out_.put("', ");
            out_.putInt(n == 0 ? 1 : n);
            out_.put(n == 0 ? ", false);\n\n\n" : ", true);\n\n\n");
        }
    }

    // Picks the unusual value for about one row in a hundred, and the column
    // it goes to; returns the column count when the row is ordinary.
    std::size_t chooseOddity(const Table& t, Oddity& kind) {
        if (rng_.below(100) != 0) return t.cols.size();
        u32 total = 0;
        for (const auto& o : kOddities) total += o.weight;
        u32 w = rng_.below(total);
        kind = kOddities.back().kind;
        for (const auto& o : kOddities) {
            if (w < o.weight) {
                kind = o.kind;
                break;
            }
            w -= o.weight;
        }
        auto fits = [&](const Col& c) {
            switch (kind) {
            case Oddity::Null: return c.gen != Gen::Seq;
            case Oddity::Escape: case Oddity::Quote: case Oddity::Utf8: case Oddity::Empty:
                return isText(c.gen);
            case Oddity::LongUrl: return isUrl(c.gen);
            case Oddity::Negative: return !isText(c.gen) && c.gen != Gen::Seq;
            case Oddity::Big: return c.bigint();
            }
            return false;
        };
        std::array<std::size_t, 8> candidates{};
        std::size_t count = 0;
        for (std::size_t i = 0; i < t.cols.size(); ++i)
            if (fits(t.cols[i])) candidates[count++] = i;
        if (count == 0 && kind == Oddity::Big) {
            // integer columns still get their own extremes
            kind = Oddity::Negative;
            for (std::size_t i = 0; i < t.cols.size(); ++i)
                if (fits(t.cols[i])) candidates[count++] = i;
        }
        if (count == 0) {
            kind = Oddity::Null;
            for (std::size_t i = 0; i < t.cols.size(); ++i)
                if (fits(t.cols[i])) candidates[count++] = i;
        }
        return candidates[rng_.below(static_cast<u32>(count))];
    }

    void row(const Table& t, i64 n) {
        Oddity kind = Oddity::Null;
        const std::size_t odd = chooseOddity(t, kind);
        for (std::size_t i = 0; i < t.cols.size(); ++i) {
            if (i != 0) out_.put('\t');
            const Col& c = t.cols[i];
            if (isText(c.gen)) {
                text_.clear();
                textValue(c.gen);
                if (i == odd) {
                    if (kind == Oddity::Null) {
                        out_.put("\\N");
                        continue;
                    }
                    oddText(kind);
                }
                out_.put(text_);
            } else {
                i64 v = intValue(c.gen, n);
                if (i == odd) {
                    if (kind == Oddity::Null) {
                        out_.put("\\N");
                        continue;
                    }
                    v = oddInt(kind, c.bigint());
                }
                out_.putInt(v);
            }
        }
        out_.put('\n');
    }

    void oddText(Oddity kind) {
        const std::size_t at = rng_.below(static_cast<u32>(text_.size() + 1));
        switch (kind) {
        case Oddity::Escape: text_.insert(at, rng_.pick(kEscapes)); break;
        case Oddity::Quote: text_.insert(at, rng_.pick(kQuotes)); break;
        case Oddity::Utf8: text_.insert(at, rng_.pick(kUtf8)); break;
        case Oddity::Empty: text_.clear(); break;
        case Oddity::LongUrl: longUrl(); break;
        default: break;
        }
    }

    i64 oddInt(Oddity kind, bool bigint) {
        constexpr i64 i32min = std::numeric_limits<std::int32_t>::min();
        constexpr i64 i32max = std::numeric_limits<std::int32_t>::max();
        if (kind == Oddity::Big) {
            switch (rng_.below(4)) {
            case 0: return std::numeric_limits<i64>::max();
            case 1: return std::numeric_limits<i64>::min();
            case 2: return static_cast<i64>(rng_.next());
            default: return (i64{1} << 32) + rng_.below(1000000);
            }
        }
        switch (rng_.below(4)) {
        case 0: return -1;
        case 1: return bigint ? std::numeric_limits<i64>::min() : i32min;
        case 2: return i32max;
        default: return -1 - static_cast<i64>(rng_.below(1000000));
        }
    }

    u32 hostIndex() {
        // a few thousand hosts get most of the links, as on the real web
        return rng_.percent(60) ? rng_.below(2000) : rng_.below(200000);
    }

    // Host number idx has the same name wherever it appears in this dump.
    void appendHost(std::string& s, u32 idx) {
        Rng h(seed_ ^ (u64{idx} * 0xd1342543de82ef95ULL));
        s += h.pick(kSubdomains);
        s += h.pick(kWords);
        if (h.percent(35)) {
            s += '-';
            s += h.pick(kWords);
        } else if (h.percent(30)) {
            s += h.pick(kWords);
        }
        if (h.percent(15)) appendInt(s, h.below(100));
        s += h.pick(kTlds);
    }

    void appendPath(std::string& s, u32 maxSegments) {
        const u32 segments = rng_.below(maxSegments + 1);
        for (u32 i = 0; i < segments; ++i) {
            s += '/';
            switch (rng_.below(8)) {
            case 0: appendInt(s, 2000 + rng_.below(26)); break;
            case 1: appendInt(s, rng_.below(100000)); break;
            case 2:
                s += rng_.pick(kWords);
                s += '-';
                s += rng_.pick(kWords);
                break;
            default: s += rng_.pick(kWords); break;
            }
        }
        s += segments == 0 ? std::string_view("/") : rng_.pick(kPageEndings);
    }

    void appendUrlStart(std::string& s) {
        const u32 r = rng_.below(100);
        s += r < 80 ? "https://" : r < 98 ? "http://" : "ftp://";
        appendHost(s, hostIndex());
        if (rng_.percent(2)) s += rng_.percent(50) ? ":8080" : ":8443";
    }

    void appendQuery(std::string& s) {
        const u32 params = 1 + rng_.below(3);
        for (u32 i = 0; i < params; ++i) {
            s += i == 0 ? '?' : '&';
            s += rng_.pick(kQueryKeys);
            s += '=';
            if (rng_.percent(50))
                appendInt(s, rng_.below(100000));
            else
                s += rng_.pick(kWords);
        }
    }

    void textValue(Gen g) {
        std::string& s = text_;
        switch (g) {
        case Gen::SiteUrl:
            appendUrlStart(s);
            if (rng_.percent(30))
                appendPath(s, 1);
            else
                s += '/';
            break;
        case Gen::PageUrl:
            appendUrlStart(s);
            appendPath(s, 4);
            if (rng_.percent(20)) appendQuery(s);
            if (rng_.percent(3)) {
                s += '#';
                s += rng_.pick(kWords);
            }
            break;
        case Gen::FileName:
            s += rng_.pick(kWords);
            if (rng_.percent(50)) {
                s += rng_.percent(50) ? '-' : '_';
                s += rng_.pick(kWords);
            }
            if (rng_.percent(40)) {
                s += '_';
                appendInt(s, 2000 + rng_.below(26));
            }
            s += rng_.pick(kFileExtensions);
            fileName_ = s;
            break;
        case Gen::FileUrl:
            appendUrlStart(s);
            for (u32 i = rng_.below(4); i > 0; --i) {
                s += '/';
                s += rng_.pick(kWords);
            }
            s += '/';
            s += fileName_;
            break;
        case Gen::Host: appendHost(s, hostIndex()); break;
        case Gen::ProxyHost:
            if (rng_.percent(50)) {
                for (int i = 0; i < 4; ++i) {
                    if (i != 0) s += '.';
                    appendInt(s, 1 + rng_.below(254));
                }
            } else {
                s += "proxy";
                appendInt(s, rng_.below(50));
                s += '.';
                appendHost(s, rng_.below(2000));
            }
            break;
        case Gen::Mime:
            s += rng_.pick(kMimeTypes);
            if (rng_.percent(30)) s += rng_.pick(kCharsets);
            break;
        default: break;
        }
    }

    void longUrl() {
        std::string& s = text_;
        s.clear();
        appendUrlStart(s);
        appendPath(s, 4);
        const std::size_t want = 2048 + rng_.below(3073);
        s += "?q=";
        while (s.size() < want) {
            s += rng_.pick(kWords);
            s += rng_.percent(20) ? "%20" : "+";
            if (rng_.percent(10)) {
                s += '&';
                s += rng_.pick(kQueryKeys);
                s += '=';
            }
        }
        s.resize(want);
    }

    i64 intValue(Gen g, i64 n) {
        switch (g) {
        case Gen::Seq: return n;
        case Gen::PageRef: return 1 + rng_.below(refMax_);
        case Gen::Status: {
            const u32 r = rng_.below(100);
            if (r < 80) return 200;
            if (r < 87) return 301;
            if (r < 91) return 302;
            if (r < 92) return 304;
            if (r < 97) return 404;
            if (r < 98) return 403;
            return r < 99 ? 500 : 503;
        }
        case Gen::Size: {
            const i64 base = i64{1} << (8 + rng_.below(16));
            return base + rng_.below(static_cast<u32>(base));
        }
        case Gen::Weight: return 1 + rng_.below(1 + rng_.below(100));
        case Gen::Level: return rng_.below(4) + rng_.below(4) + rng_.below(5);
        case Gen::Port: {
            static constexpr std::array<i64, 6> ports{3128, 8080, 80, 1080, 8888, 443};
            return rng_.percent(85) ? rng_.pick(ports) : 1024 + rng_.below(64511);
        }
        case Gen::Day: return day(rng_.below(730));
        case Gen::Count:
            return rng_.percent(90) ? 1 + rng_.below(20) : 1 + rng_.below(1000000);
        case Gen::ConnectMs:
            connectMs_ = 1 + rng_.below(rng_.percent(95) ? 120 : 3000);
            return connectMs_;
        case Gen::TotalMs: return connectMs_ + rng_.below(rng_.percent(90) ? 800 : 30000);
        case Gen::Pos: return rng_.below(200000);
        case Gen::Len: return 1 + rng_.below(80);
        default: return 0;
        }
    }

    // Day d after 2023-01-01 as yyyymmdd.
    static i64 day(u32 d) {
        static constexpr std::array<u32, 12> lengths{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        i64 year = 2023;
        for (;;) {
            const u32 yearDays = year % 4 == 0 ? 366 : 365;
            if (d < yearDays) break;
            d -= yearDays;
            ++year;
        }
        i64 month = 1;
        for (u32 len : lengths) {
            if (month == 2 && year % 4 == 0) ++len;
            if (d < len) break;
            d -= len;
            ++month;
        }
        return year * 10000 + month * 100 + d + 1;
    }

    void postData() {
        for (const Table& t : tables()) {
            if (t.sequence.empty()) continue;
            header(std::string(t.name).append(" ").append(t.name).append("_pkey"), "CONSTRAINT");
            out_.put("ALTER TABLE ONLY public.");
            out_.put(t.name);
            out_.put("\n    ADD CONSTRAINT ");
            out_.put(t.name);
            out_.put("_pkey PRIMARY KEY (id);\n\n\n");
        }
        header("CrawlQueue CrawlQueue_pkey", "CONSTRAINT");
        out_.put("ALTER TABLE ONLY public.\"CrawlQueue\"\n"
                 "    ADD CONSTRAINT \"CrawlQueue_pkey\" PRIMARY KEY (id);\n\n\n");
        static constexpr std::array<std::array<std::string_view, 3>, 4> indexes{{
            {"hits_page_id_day_idx", "hits", "page_id, day"},
            {"inlinks_dst_url_idx", "inlinks", "dst_url"},
            {"inlinks_src_url_idx", "inlinks", "src_url"},
            {"pages_url_idx", "pages", "url"}}};
        for (const auto& ix : indexes) {
            header(ix[0], "INDEX");
            out_.put("CREATE INDEX ");
            out_.put(ix[0]);
            out_.put(" ON public.");
            out_.put(ix[1]);
            out_.put(" USING btree (");
            out_.put(ix[2]);
            out_.put(");\n\n\n");
        }
        out_.put("--\n-- PostgreSQL database dump complete\n--\n\n\\unrestrict ");
        out_.put(restrictKey_);
        out_.put("\n\n");
    }

    Rng rng_;
    u64 seed_;
    u64 target_;
    Output& out_;
    u32 refMax_;
    u64 rows_ = 0;
    std::string restrictKey_;
    std::string text_;
    std::string fileName_;
    i64 connectMs_ = 0;
};

bool parseU64(const char* s, u64& v) {
    const char* end = s + std::strlen(s);
    auto r = std::from_chars(s, end, v);
    return *s != '\0' && r.ec == std::errc() && r.ptr == end;
}

}  // namespace

int main(int argc, char** argv) {
    u64 seed = 0;
    u64 size = 0;
    if (argc != 4 || !parseU64(argv[1], seed) || !parseU64(argv[2], size)) {
        std::fputs("usage: pgdump2pl-gen-dump SEED SIZE_BYTES OUT_PATH\n"
                   "  writes a pg_dump-style crawler database dump of about SIZE_BYTES\n"
                   "  to OUT_PATH (- for stdout); same SEED and SIZE give the same bytes\n",
                   stderr);
        return 2;
    }
    const std::string_view path = argv[3];
    std::FILE* f = path == "-" ? stdout : std::fopen(argv[3], "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "pgdump2pl-gen-dump: cannot open %s: %s\n", argv[3],
                     std::strerror(errno));
        return 1;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);
    Output out(f);
    const u64 rows = Generator(seed, size, out).run();
    if (std::fflush(f) != 0 || (f != stdout && std::fclose(f) != 0)) {
        std::perror("pgdump2pl-gen-dump: write");
        return 1;
    }
    std::fprintf(stderr, "rows=%llu bytes=%llu\n", static_cast<unsigned long long>(rows),
                 static_cast<unsigned long long>(out.size()));
    return 0;
}

#!/usr/bin/env bash
# make-fixture-dump.sh OUTDIR
#
# Builds the web-crawler test database in a throwaway PostgreSQL server and
# writes into OUTDIR:
#   crawler.sql          pg_dump, plain format, defaults
#   crawler-quoted.sql   pg_dump --quote-all-identifiers
#   crawler-inserts.sql  pg_dump --inserts (no COPY blocks at all)
#
# The server is pg-env.sh's throwaway one, stopped and removed on exit,
# failure included.
#
# Set PG_BINDIR to pick a PostgreSQL installation explicitly.
set -euo pipefail

usage() { echo "usage: $0 OUTDIR" >&2; exit 2; }
[[ $# -eq 1 ]] || usage
[[ -n $1 ]] || usage

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/pg-env.sh
. "$here/pg-env.sh"

if reason=$(pg_why_unusable); then
    echo "$0: $reason" >&2
    exit 2
fi

mkdir -p "$1"
outdir=$(cd "$1" && pwd)
# The postgres user may not be able to enter the caller's directory.
cd /

pg_start_scratch_server

psql_db postgres -c "CREATE DATABASE crawler TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'"

# Rows are mostly clean (one word per text, no NULL); a few per table carry
# the values a converter gets wrong: quotes, backslashes, tabs, newlines,
# carriage returns, other control bytes, spaces, empty strings, NULLs,
# UTF-8, and integers past 32 bits up to the int8 bounds.
psql_db crawler -f - <<'SQL'
-- rule s: text, int
CREATE TABLE sites (
    url text,
    id bigint PRIMARY KEY
);
INSERT INTO sites VALUES
    ('http://example.com/', 1),
    ('https://www.debian.org/', 2),
    ('https://www.postgresql.org/docs/15/app-pgdump.html', 3),
    ('http://localhost:8080/index.html', 4),
    ('https://fr.wikipedia.org/wiki/Caf%C3%A9', 5),
    ('https://www.swi-prolog.org/', 6),
    ('https://exemple.fr/été/café-crème', 7),
    ('https://例え.jp/ウェブ/索引.html', 8),
    ('http://o''reilly.example/it''s', 9),
    (NULL, 10),
    ('', 11),
    ('https://huge.example/', 9223372036854775807),
    ('https://tiny.example/', -9223372036854775808);

-- rule i: int, text, text, int
CREATE TABLE inlinks (
    id bigint,
    src_url text,
    dst_url varchar(2048),
    weight integer
);
CREATE INDEX inlinks_dst_url_idx ON inlinks (dst_url);
INSERT INTO inlinks VALUES
    (1, 'http://example.com/', 'https://www.debian.org/', 3),
    (2, 'https://www.debian.org/', 'https://www.postgresql.org/', 1),
    (3, 'https://www.postgresql.org/', 'https://www.swi-prolog.org/', 2),
    (4, 'https://www.swi-prolog.org/', 'http://example.com/', 1),
    (5, 'https://fr.wikipedia.org/wiki/Caf%C3%A9', 'https://exemple.fr/été/café-crème', 4),
    (4294967296, 'http://example.com/', 'http://example.com/a page.html', 1),
    (7, 'http://example.com/', NULL, -2),
    (8, NULL, 'https://www.debian.org/', NULL),
    (9, E'https://example.com/tab\there', 'https://example.com/', 0),
    (-1, 'https://例え.jp/', 'http://o''reilly.example/', 2147483647);

-- rule pa: int, text, int, int
CREATE TABLE pages (
    id bigint PRIMARY KEY,
    url text,
    status integer,
    size bigint
);
COMMENT ON TABLE pages IS 'One row per fetched URL; size is -1 when the server didn''t send a length.';
INSERT INTO pages VALUES
    (1, 'http://example.com/', 200, 1256),
    (2, 'https://www.debian.org/', 200, 30412),
    (3, 'https://www.debian.org/missing', 404, 0),
    (4, 'http://example.com/old', 301, -1),
    (5, 'https://cdimage.example/debian-12.iso', 200, 6442450944),
    (6, 'https://www.postgresql.org/docs/15/app-pgdump.html', 200, 88120),
    (7, 'https://exemple.fr/été/café-crème', 200, 5120),
    (8, E'file:///C:\\temp\\new.html', 200, 77),
    (9, 'http://slow.example/', NULL, NULL),
    (10, E'http://example.com/line1\nline2', 400, 12),
    (11, '', 0, 0);

-- rule f: text, text, int
CREATE TABLE files (
    name text,
    url text,
    size bigint
);
INSERT INTO files VALUES
    ('index.html', 'http://example.com/index.html', 1256),
    ('style.css', 'http://example.com/style.css', 3410),
    ('logo.png', 'http://example.com/img/logo.png', 18230),
    ('debian-12.iso', 'https://cdimage.example/debian-12.iso', 6442450944),
    ('robots.txt', 'https://www.debian.org/robots.txt', 112),
    ('app-pgdump.html', 'https://www.postgresql.org/docs/15/app-pgdump.html', 88120),
    ('rapport annuel.pdf', 'https://exemple.fr/docs/rapport annuel.pdf', 204800),
    ('résumé.pdf', 'https://exemple.fr/docs/résumé.pdf', 51200),
    ('報告書.pdf', 'https://例え.jp/報告書.pdf', 73000),
    ('O''Brien.txt', 'http://o''reilly.example/O''Brien.txt', 2048),
    (E'C:\\Users\\web\\notes.txt', 'file:///C:/Users/web/notes.txt', 640),
    (E'tab\there.txt', 'http://example.com/tab.txt', 9),
    ('missing.bin', NULL, NULL),
    (NULL, 'http://example.com/unnamed', 123);

CREATE VIEW big_files AS
    SELECT name, size FROM files WHERE size > 1000000;

-- rule d: int
CREATE TABLE depths (
    level bigint
);
INSERT INTO depths VALUES
    (0), (1), (2), (3), (4), (5), (10), (-1), (NULL),
    (4294967296), (9223372036854775807), (-9223372036854775808);

-- rule pr: text, int
CREATE TABLE proxies (
    host varchar(255),
    port integer
);
INSERT INTO proxies VALUES
    ('proxy1.example.net', 3128),
    ('proxy2.example.net', 8080),
    ('192.0.2.10', 3128),
    ('[2001:db8::1]', 1080),
    ('proxy.exemple.fr', 8000),
    ('プロキシ.例え.jp', 8888),
    ('squid.example.org', 0),
    ('', 3128),
    (NULL, NULL),
    ('bad host.example', 8080),
    ('o''proxy.example', -1);

-- rule h: int, int, int
CREATE TABLE hits (
    page_id bigint,
    day integer,
    count bigint
);
INSERT INTO hits VALUES
    (1, 20240101, 42),
    (1, 20240102, 57),
    (2, 20240101, 1000000),
    (3, 20240101, 0),
    (5, 20240103, 5000000000),
    (4, NULL, 3),
    (NULL, 20240104, 7),
    (6, 20240105, -3),
    (7, 20240105, 9223372036854775807),
    (8, -1, -9223372036854775808);

-- rule m: text, int
CREATE TABLE mimetypes (
    type text,
    count bigint
);
INSERT INTO mimetypes VALUES
    ('text/html', 1520),
    ('text/css', 231),
    ('image/png', 880),
    ('image/jpeg', 3000000000),
    ('application/pdf', 64),
    ('application/octet-stream', 3),
    ('application/x-iso9660-image', 1),
    ('text/html; charset=utf-8', 12),
    (E'text/plain\r', 7),
    (E'application/x-\b\f\x0b', 1),
    ('vidéo/mp4', 5),
    (NULL, 2),
    ('', 0);

-- rule t: int, int, int
CREATE TABLE timings (
    page_id bigint,
    connect_ms integer,
    total_ms bigint
);
INSERT INTO timings VALUES
    (1, 12, 140),
    (2, 35, 410),
    (3, 8, 95),
    (4, NULL, NULL),
    (5, 120, 60000),
    (6, -1, -1),
    (7, 0, 0),
    (8, 2147483647, 4294967296000),
    (9, -2147483648, -9223372036854775808),
    (10, 15, 9223372036854775807);

-- Also rule t, but the name is no plain Prolog atom.
CREATE TABLE "timings-2023" (
    page_id bigint,
    connect_ms integer,
    total_ms bigint
);
INSERT INTO "timings-2023" VALUES
    (1, 14, 150),
    (2, 40, 433),
    (3, 9, 101),
    (4, 11, 120),
    (5, NULL, 30000);

-- rule a: int, int, int, int
CREATE TABLE anchors (
    src_id bigint,
    dst_id bigint,
    pos integer,
    len integer
);
INSERT INTO anchors VALUES
    (1, 2, 0, 14),
    (1, 3, 120, 9),
    (2, 1, 57, 22),
    (3, 5, 1024, 5),
    (4, 1, 300, 11),
    (2, NULL, 88, 0),
    (NULL, NULL, NULL, NULL),
    (5, 9223372036854775807, -1, 3),
    (-9223372036854775808, 4, 2147483647, -2147483648),
    (6, 6, 0, 0);

-- No rule covers these: mixed case, long name, 'p' followed by neither
-- 'a' nor 'r', and a table with no rows at all.
CREATE TABLE "CrawlQueue" (
    id serial PRIMARY KEY,
    url text NOT NULL,
    priority integer,
    note text
);
COMMENT ON TABLE "CrawlQueue" IS 'URLs waiting to be fetched, lowest priority first.';
INSERT INTO "CrawlQueue" (url, priority, note) VALUES
    ('http://example.com/next', 5, NULL),
    ('https://www.debian.org/News/', 3, 'weekly'),
    ('https://exemple.fr/été/', 1, E're-crawl\nafter fix'),
    ('http://o''reilly.example/', 2, ''),
    ('https://例え.jp/', 4, 'ja');

CREATE TABLE robots_exclusions (
    host text,
    path text,
    agent text
);
INSERT INTO robots_exclusions VALUES
    ('www.debian.org', '/cgi-bin/', '*'),
    ('example.com', '/private/', '*'),
    ('exemple.fr', '/brouillons/', 'pgcrawl'),
    ('www.postgresql.org', '/search/', '*'),
    ('例え.jp', '/非公開/', '*'),
    ('o''reilly.example', '/a b/', NULL);

CREATE TABLE politeness (
    host text,
    delay_ms integer
);
INSERT INTO politeness VALUES
    ('www.debian.org', 1000),
    ('example.com', 250),
    ('exemple.fr', 2000),
    ('www.postgresql.org', 500),
    ('slow.example', NULL);

CREATE TABLE crawl_errors (
    page_id bigint,
    message text
);
SQL

stage=$pg_scratch/out
mkdir -p "$stage"

dump() {
    as_pg "$pg_bindir/pg_dump" -d crawler "$@"
}
dump >"$stage/crawler.sql"
dump --quote-all-identifiers >"$stage/crawler-quoted.sql"
dump --inserts >"$stage/crawler-inserts.sql"

# Replace the previous output only once everything has been produced.
mkdir -p "$outdir"
for f in crawler.sql crawler-quoted.sql crawler-inserts.sql; do
    mv "$stage/$f" "$outdir/$f"
done

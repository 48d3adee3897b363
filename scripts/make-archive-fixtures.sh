#!/usr/bin/env bash
# make-archive-fixtures.sh [OUTDIR]
#
# Writes pg_dump's archive formats of two test databases into OUTDIR
# (default tests/fixtures/archives), and the scripts that `pg_restore -f -`
# prints for DB.custom and DB.inserts, as NAME.sql (every other format
# restores to the custom archive's script):
#   DB.custom        -Fc (compressed with zlib)
#   DB.custom-z0     -Fc -Z0
#   DB.custom-pipe   -Fc written to a pipe: its TOC has no data offsets
#   DB.directory/    -Fd (compressed: each data file is NNNN.dat.gz)
#   DB.directory-z0/ -Fd -Z0
#   DB.tar           -Ft
#   DB.inserts       -Fc --inserts
# DB is all_kinds (the database of tests/fixtures/all_kinds.sql) and
# crawler (tests/fixtures/crawler.sql restored, plus a large object and a
# grant, so that the archives hold a BLOBS block and an ACL entry).
#
# The server is pg-env.sh's throwaway one, stopped and removed on exit.
# Set PG_BINDIR to pick a PostgreSQL installation explicitly.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fixtures=$(cd "$here/../tests/fixtures" && pwd)
# shellcheck source=scripts/pg-env.sh
. "$here/pg-env.sh"

if reason=$(pg_why_unusable); then
    echo "$0: $reason" >&2
    exit 2
fi

outdir=${1:-$fixtures/archives}
mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
cd /

pg_start_scratch_server

for db in all_kinds crawler; do
    psql_db postgres -c "CREATE DATABASE $db TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'"
done
psql_db all_kinds -f - <"$fixtures/all_kinds.sql" >/dev/null
psql_db crawler -f - <"$fixtures/crawler.sql" >/dev/null
psql_db crawler -c "SELECT lo_from_bytea(4242, 'a large object')" -c "GRANT SELECT ON sites TO PUBLIC" >/dev/null

stage=$pg_scratch/out
mkdir -p "$stage"
chmod 777 "$stage"
for db in all_kinds crawler; do
    dump() { as_pg "$pg_bindir/pg_dump" -d "$db" "$@"; }
    dump -Fc -f "$stage/$db.custom"
    dump -Fc -Z0 -f "$stage/$db.custom-z0"
    dump -Fc | cat >"$stage/$db.custom-pipe"
    dump -Fd -f "$stage/$db.directory"
    dump -Fd -Z0 -f "$stage/$db.directory-z0"
    dump -Ft -f "$stage/$db.tar"
    dump -Fc --inserts -f "$stage/$db.inserts"
    # The other formats restore to the custom archive's script.
    for archive in "$stage/$db".custom "$stage/$db".inserts; do
        as_pg "$pg_bindir/pg_restore" -f - "$archive" >"$archive.sql"
    done
done

# Replace the previous output only once everything has been produced.
for f in "$stage"/*; do
    rm -rf "${outdir:?}/$(basename "$f")"
    cp -r "$f" "$outdir/"
done

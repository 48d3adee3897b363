#!/usr/bin/env bash
# round-trip.sh PGDUMP2PL: fixtures/all_kinds.sql through a throwaway
# PostgreSQL server, pg_dump, `PGDUMP2PL --all-tables` and SWI-Prolog;
# every value the facts hold must be the server's, and the server must
# hold no row the facts miss. Exits 77, a skip, without the programs.
set -euo pipefail
converter=$(realpath "$1")
tests=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/pg-env.sh
. "$tests/../scripts/pg-env.sh"
if reason=$(pg_why_unusable) || { reason="no swipl (Debian: swi-prolog-nox)"; ! command -v swipl >/dev/null; }; then
    echo "skipped: $reason" >&2
    exit 77
fi
work=$(mktemp -d /tmp/pgdump2pl-round-trip.XXXXXX)
trap 'pg_stop; rm -rf "$work"' EXIT
# The postgres user may not be able to enter the caller's directory.
cd /
pg_start_throwaway "$work"
psql_db postgres -f - <"$tests/fixtures/all_kinds.sql"
as_pg "$pg_bindir/pg_dump" -d postgres >"$work/dump.sql"

"$converter" --all-tables "$work/dump.sql" "$work/facts.pl" 2>"$work/converter.err" || {
    echo "pgdump2pl --all-tables exited $?" >&2
    exit 1
}
if [[ -s $work/converter.err ]]; then cat "$work/converter.err" >&2; exit 1; fi

cd "$work"
swipl -q -f none --no-packs --on-error=status --on-warning=status -g print_rows -t halt \
    "$tests/print_rows.pl" | LC_ALL=C sort >facts.rows
psql_db postgres -A -t -f - <"$tests/fixtures/all_kinds_rows.sql" | LC_ALL=C sort >server.rows
diff -U0 --label server server.rows --label facts facts.rows

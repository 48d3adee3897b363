#!/usr/bin/env bash
# round-trip.sh PGDUMP2PL [copy] [inserts] [scripts]: SQL scripts through a
# throwaway PostgreSQL server, `PGDUMP2PL --all-tables` and SWI-Prolog;
# every value the facts hold must be the server's, and the server must
# hold no row the facts miss. Without a choice, all three kinds:
#   copy     pg_dump's COPY dump of fixtures/all_kinds.sql, against the
#            database it restores to;
#   inserts  its --inserts, --column-inserts and --rows-per-insert=3 dumps,
#            whose facts must also be the COPY dump's, less the blocks of
#            tables without rows (no INSERT names those);
#   scripts  each script of scripts/ as it stands, loaded by psql with
#            triggers off, so that foreign keys need no order.
# Prints how many rows of each came back exact. Exits 77, a skip, without
# the programs.
set -euo pipefail
converter=$(realpath "$1")
shift
(($#)) || set -- copy inserts scripts
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
status=0 summary=()

# check NAME DB SCRIPT: converts SCRIPT into $work/NAME/facts.pl and
# compares its facts with the rows of database DB.
check() {
    local name=$1 db=$2 dir=$work/$1
    mkdir "$dir"
    if ! "$converter" --all-tables "$3" "$dir/facts.pl" 2>"$dir/converter.err" || [[ -s $dir/converter.err ]]; then
        echo "$name: pgdump2pl --all-tables failed or warned:" >&2
        head -n 5 "$dir/converter.err" >&2
        status=1
    fi
    if ! (cd "$dir" && swipl -q -f none --no-packs --on-error=status --on-warning=status -g print_rows -t halt \
        "$tests/print_rows.pl") >"$dir/facts.unsorted"; then
        echo "$name: SWI-Prolog could not load every fact" >&2
        status=1
    fi
    LC_ALL=C sort "$dir/facts.unsorted" >"$dir/facts.rows"
    psql_db "$db" -A -t -f - <"$tests/fixtures/all_kinds_rows.sql" | LC_ALL=C sort >"$dir/server.rows"
    summary+=("$name: $(LC_ALL=C comm -12 "$dir/server.rows" "$dir/facts.rows" | wc -l) of $(wc -l <"$dir/server.rows") rows exact")
    cmp -s "$dir/server.rows" "$dir/facts.rows" && return
    status=1
    # The rows of each table that differ, a few of them, atoms decoded.
    { LC_ALL=C diff "$dir/server.rows" "$dir/facts.rows" || true; } | LC_ALL=C awk -F '\t' -v name="$name" -v q="'" '
        BEGIN { for (i = 0; i < 256; i++) byte[sprintf("%02x", i)] = i < 32 || i == 127 ? sprintf("\\x%02x", i) : sprintf("%c", i) }
        function shown(field,   s, i) {
            if (field !~ /^a:/) return field
            for (i = 3; i < length(field); i += 2) s = s byte[substr(field, i, 2)]
            return q s q
        }
        /^[<>]/ {
            side = substr($1, 1, 1) == "<" ? "server" : "facts "
            $1 = substr($1, 3)
            table = shown($1)
            if (++count[table] > 6) next
            line = side ":"
            for (i = 2; i <= NF; i++) line = line " " shown($i)
            if (count[table] == 1) print name ": table " table " differs:"
            print "    " substr(line, 1, 300)
        }' >&2
}

# fresh DB: an empty database named DB.
fresh() { psql_db postgres -c "CREATE DATABASE $1"; }

# restored DB SCRIPT: SCRIPT, a dump, loaded into the fresh database DB.
# What PostgreSQL holds after running a dump is what its facts must hold,
# which is not always what was dumped: pg_dump writes a float's -0 bare
# in INSERTs, and PostgreSQL reads that as 0.
restored() {
    fresh "$1"
    psql_db "$1" -f - <"$2" >/dev/null
}

if [[ " $* " == *" copy "* || " $* " == *" inserts "* ]]; then
    psql_db postgres -f - <"$tests/fixtures/all_kinds.sql"
    as_pg "$pg_bindir/pg_dump" -d postgres >"$work/all_kinds.sql"
    restored all_kinds "$work/all_kinds.sql"
    check all_kinds all_kinds "$work/all_kinds.sql"
fi
if [[ " $* " == *" inserts "* ]]; then
    # Tables without rows have a block in the COPY dump's facts only.
    # And -0 becomes 0 in them, as said above.
    perl -0pe 's{/\*\*\n \* Table [^\n]*\n \*/\n\n/\* \(0 entrees\) \*/\n\n\n}{}g; s{(?<=[(,])-0\.0(?=[,)])}{0.0}g' \
        "$work/all_kinds/facts.pl" >"$work/copy-facts.pl"
    for style in inserts column-inserts rows-per-insert=3; do
        as_pg "$pg_bindir/pg_dump" --"$style" -d postgres >"$work/$style.sql"
        db=${style//[^a-z0-9]/_}
        restored "$db" "$work/$style.sql"
        check "$style" "$db" "$work/$style.sql"
        cmp "$work/copy-facts.pl" "$work/$style/facts.pl" || {
            echo "--$style: its facts are not the COPY dump's" >&2
            status=1
        }
    done
fi
if [[ " $* " == *" scripts "* ]]; then
    for script in "$tests"/scripts/*.sql; do
        name=$(basename "$script" .sql)
        fresh "$name"
        psql_db "$name" -c 'SET session_replication_role = replica' -f - <"$script" >/dev/null
        check "$name" "$name" "$script"
    done
fi
printf '%s\n' "${summary[@]}"
exit "$status"

#!/usr/bin/env bash
# round-trip.sh PGDUMP2PL [copy] [inserts] [scripts] [formats]: SQL scripts
# through a throwaway PostgreSQL server, `PGDUMP2PL --all-tables` and
# SWI-Prolog; every value the facts hold must be the server's, and the
# server must hold no row the facts miss. Without a choice, all four kinds:
#   copy     pg_dump's COPY dump of fixtures/all_kinds.sql, against the
#            database it restores to, and its facts loaded by load_facts/1
#            against them consulted; also its --dialect=gnu facts as GNU
#            Prolog loads them;
#   inserts  its --inserts, --column-inserts and --rows-per-insert=3 dumps,
#            whose facts must also be the COPY dump's, less the blocks of
#            tables without rows (no INSERT names those);
#   scripts  each script of scripts/ as it stands, loaded by psql with
#            triggers off, so that foreign keys need no order;
#   formats  every output format of pg_dump (custom, also unseekable and
#            read from a pipe, directory, tar, compressed plain) for the
#            databases of fixtures/all_kinds.sql and fixtures/crawler.sql:
#            in both modes, the facts must be byte for byte those of the
#            plain dump, and the warnings the same but for their place.
# Prints how many rows of each came back exact, and how many conversions
# of each format matched. Exits 77, a skip, without
# the programs. PGDUMP2PL_LOADER names the loader to check (the build
# tree's, with its plain-fact reader); prolog/pgdump2pl.pl without it.
set -euo pipefail
converter=$(realpath "$1")
shift
(($#)) || set -- copy inserts scripts formats
tests=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
loader=$(realpath "${PGDUMP2PL_LOADER:-$tests/../prolog/pgdump2pl.pl}")
# shellcheck source=scripts/pg-env.sh
. "$tests/../scripts/pg-env.sh"
if reason=$(pg_why_unusable) || { reason="no swipl (Debian: swi-prolog-nox)"; ! command -v swipl >/dev/null; }; then
    echo "skipped: $reason" >&2
    exit 77
fi
work=$(mktemp -d /tmp/pgdump2pl-round-trip.XXXXXX)
# The server stops on every way out: a signal ends the script through
# exit, so that the EXIT trap runs then too. A signal that cuts pg_ctl
# start short may come before the server has written its pid file: it
# gets a moment to, so that pg_stop finds it.
stop_server() {
    local tries=0
    while [[ -f $work/data/postgresql.conf && ! -f $work/data/postmaster.pid ]] && ((tries++ < 30)); do
        sleep 0.1
    done
    pg_stop
    rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# The postgres user may not be able to enter the caller's directory.
cd /
pg_start_throwaway "$work"
# A run killed outright (SIGKILL, as a test harness's timeout kills) runs
# no trap: a watcher in a session of its own stops the server then.
setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 2; done
    [[ -f $2/data/postmaster.pid ]] && "${@:4}" "$3/pg_ctl" -D "$2/data" -m immediate -w stop
    rm -rf "$2"' watcher $$ "$work" "$pg_bindir" "${pg_as_owner[@]}" </dev/null >/dev/null 2>&1 &
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
    if [[ $name == all_kinds ]]; then
        # prolog/pgdump2pl.pl's loader must give the facts consult gives.
        (cd "$dir" && swipl -q -f none --no-packs --on-error=status --on-warning=status \
            -g "use_module('$loader')" -g print_loaded_rows -t halt \
            "$tests/print_rows.pl") >"$dir/loaded.unsorted" || true
        LC_ALL=C sort "$dir/loaded.unsorted" >"$dir/loaded.rows"
        cmp -s "$dir/facts.rows" "$dir/loaded.rows" || { echo "$name: load_facts/1 loads other facts than consult" >&2; status=1; }
        summary+=("$name: load_facts/1: $(LC_ALL=C comm -12 "$dir/facts.rows" "$dir/loaded.rows" | wc -l) of $(wc -l <"$dir/facts.rows") rows as consulted")
    fi
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

# check_gnu NAME DB SCRIPT: as check, with GNU Prolog loading the
# --dialect=gnu facts. The values it cannot hold, integers beyond its
# range and a float's NaN and infinities, must be quoted atoms of their
# text; every other value must be the server's.
check_gnu() {
    local name=$1 db=$2 dir=$work/$1
    mkdir "$dir"
    if ! "$converter" --all-tables --dialect=gnu "$3" "$dir/facts.pl" 2>"$dir/converter.err" ||
        grep -v 'cannot read as numbers' "$dir/converter.err" >&2; then
        echo "$name: pgdump2pl --all-tables --dialect=gnu failed or warned" >&2
        status=1
    fi
    (cd "$dir" && gprolog --init-goal "(consult('$tests/print_rows_gnu.pl'),print_rows,halt;halt(1))" \
        </dev/null >"$dir/gprolog.out") || true
    if ! grep -qx rows "$dir/gprolog.out" || sed '/^rows$/,$d' "$dir/gprolog.out" | grep -Eiq 'warning|error'; then
        echo "$name: GNU Prolog could not load every fact:" >&2
        grep -Ei 'warning|error' "$dir/gprolog.out" | head -n 5 >&2
        status=1
    fi
    sed '1,/^rows$/d' "$dir/gprolog.out" |
        swipl -q -f none --no-packs -g exact_floats -t halt "$tests/print_rows.pl" | LC_ALL=C sort >"$dir/facts.rows"
    psql_db "$db" -A -t -f - <"$tests/fixtures/all_kinds_rows.sql" | perl -MMath::BigInt -pe '
        sub atom { "a:" . unpack("H*", $_[0]) }
        s{(?<![^\t\n])f:(-?)1\.0Inf(?![^\t\n])}{atom($1 ? "-Infinity" : "Infinity")}ge;
        s{(?<![^\t\n])f:1\.5NaN(?![^\t\n])}{atom("NaN")}ge;
        s{(?<![^\t\n])i:(-?\d+)(?![^\t\n])}{my $n = Math::BigInt->new($1);
            $n > Math::BigInt->new("1152921504606846975") || $n < Math::BigInt->new("-1152921504606846976") ? atom($1) : "i:$1"}ge;
    ' | LC_ALL=C sort >"$dir/server.rows"
    summary+=("$name: $(LC_ALL=C comm -12 "$dir/server.rows" "$dir/facts.rows" | wc -l) of $(wc -l <"$dir/server.rows") rows exact")
    cmp -s "$dir/server.rows" "$dir/facts.rows" && return
    status=1
    { diff "$dir/server.rows" "$dir/facts.rows" || true; } | head -n 12 >&2
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
    if command -v gprolog >/dev/null; then
        check_gnu all_kinds-gnu all_kinds "$work/all_kinds.sql"
    else
        summary+=("all_kinds-gnu: skipped, no gprolog (Debian: gprolog)")
    fi
fi
if [[ " $* " == *" inserts "* ]]; then
    # Tables without rows have a block in the COPY dump's facts only.
    # And -0 becomes 0 in them, as said above.
    perl -0pe 's{/\*\*\n \* Table [^\n]*\n(?: \*   [^\n]*\n)* \*/\n\n/\* \(0 entrees\) \*/\n\n\n}{}g; s{(?<=[(,])-0\.0(?=[,)])}{0.0}g' \
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
if [[ " $* " == *" formats "* ]]; then
    out=$work/formats
    # pg_dump runs as the server's owner and writes the archives here.
    mkdir -m 777 "$out"
    formats=(custom custom-z0 custom-pipe custom-stdin directory directory-z0 tar gzip)
    for tool in zstd lz4; do
        # A build without the library says so; it need not read them.
        probe=$(command -v "$tool" >/dev/null && echo | "$tool" -q -c | "$converter" /dev/stdin /dev/null 2>&1 || true)
        if ! command -v "$tool" >/dev/null; then
            summary+=("formats: $tool: skipped, no $tool program (Debian: $tool)")
        elif [[ $probe == *"built without"* ]]; then
            summary+=("formats: $tool: skipped, this build has no lib$tool")
        else
            formats+=("$tool")
        fi
    done
    declare -A matched=()
    for db in all_kinds crawler; do
        fresh "formats_$db"
        psql_db "formats_$db" -f - <"$tests/fixtures/$db.sql" >/dev/null
        # So that the archives also hold a BLOBS block and an ACL entry.
        [[ $db != crawler ]] ||
            psql_db "formats_$db" -c "SELECT lo_from_bytea(4242, 'a large object')" -c "GRANT SELECT ON sites TO PUBLIC" >/dev/null
        dump() { as_pg "$pg_bindir/pg_dump" -d "formats_$db" "$@"; }
        dump >"$out/$db.plain"
        dump -Fc -f "$out/$db.custom"
        dump -Fc -Z0 -f "$out/$db.custom-z0"
        # Unseekable output: the TOC is written without data offsets.
        dump -Fc | cat >"$out/$db.custom-pipe"
        dump -Fd -f "$out/$db.directory"
        dump -Fd -Z0 -f "$out/$db.directory-z0"
        dump -Ft -f "$out/$db.tar"
        dump -Z6 >"$out/$db.gzip"
        for tool in zstd lz4; do
            if command -v "$tool" >/dev/null; then "$tool" -q -c <"$out/$db.plain" >"$out/$db.$tool"; fi
        done
        for mode in default all-tables; do
            options=()
            [[ $mode == default ]] || options=(--all-tables)
            for format in plain "${formats[@]}"; do
                run=$out/$db.$format.$mode
                source=$out/$db.$format
                [[ $format != custom-stdin ]] || source=/dev/stdin
                rc=0
                if [[ $format == custom-stdin ]]; then
                    # A pipe, not a redirection: stdin must be unseekable.
                    # A reader done before the end of the pipe may stop cat.
                    # shellcheck disable=SC2002
                    { cat "$out/$db.custom" | "$converter" "${options[@]}" /dev/stdin "$run.pl" 2>"$run.err" || rc=$?; } || true
                else
                    "$converter" "${options[@]}" "$source" "$run.pl" 2>"$run.err" || rc=$?
                fi
                # The place of a warning is a line of the plain dump, a row of an archive's table.
                perl -pe 's{^pgdump2pl: \Q'"$source"'\E(?::\d+|: table .*?, row \d+)?: }{}' "$run.err" >"$run.warnings"
                if [[ $format == plain ]]; then
                    plain=$run
                    ((rc == 0)) || {
                        echo "formats: the plain dump of $db, $mode mode: exit status $rc: $(head -n 3 "$run.err")" >&2
                        status=1
                    }
                    continue
                fi
                problem=
                if ((rc != 0)); then
                    problem="exit status $rc: $(head -n 3 "$run.err")"
                elif ! cmp -s "$plain.pl" "$run.pl"; then
                    problem="its facts are not the plain dump's:
$({ diff "$plain.pl" "$run.pl" || true; } | head -n 12)"
                elif ! cmp -s "$plain.warnings" "$run.warnings"; then
                    problem="its warnings are not the plain dump's:
$({ diff "$plain.warnings" "$run.warnings" || true; } | head -n 12)"
                fi
                if [[ -n $problem ]]; then
                    echo "formats: $format of $db, $mode mode: $problem" >&2
                    status=1
                else
                    matched[$format]=$((${matched[$format]:-0} + 1))
                fi
            done
        done
    done
    for format in "${formats[@]}"; do
        summary+=("formats: $format: ${matched[$format]:-0} of 4 conversions as the plain dump's")
    done
fi
printf '%s\n' "${summary[@]}"
exit "$status"

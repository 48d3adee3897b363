#!/usr/bin/env bash
# Checks the benchmark tools: the dump generator's output and run-bench.sh.
#
#   bench/test-bench.sh [GENERATOR]
#
# Without GENERATOR, bench/gen_dump.cpp is built with ${CXX:-g++}.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pgdump2pl-bench-test.XXXXXX")
trap 'rm -rf -- "$tmp"' EXIT

if [[ $# -ge 1 ]]; then
    gen=$1
else
    gen=$tmp/pgdump2pl-gen-dump
    "${CXX:-g++}" -std=c++20 -O2 -Wall -Wextra -Wconversion -Wshadow -Werror \
        "$here/gen_dump.cpp" -o "$gen"
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Summarises a dump as key=value lines: data rows, rows whose field count
# differs from their COPY header, unterminated blocks, the byte offset where
# the last row of the last block starts, bytes per table and the oddities seen.
# It also holds the data to the table definitions, as a restore would: COPY
# column lists match CREATE TABLE, no NULL in NOT NULL columns, integer values
# fit their column type, ids run 1..n and setval() matches the last id.
summarise() {
    LC_ALL=C awk '
    function count(re) { if ($0 ~ re) odd[re]++ }
    {
        line_start = offset
        offset += length($0) + 1
    }
    /^CREATE TABLE public\./ {
        ddl = $3
        sub(/^public\./, "", ddl)
        next
    }
    ddl != "" && /^    / {
        def = substr($0, 5)
        sub(/,$/, "", def)
        name = def
        sub(/ .*/, "", name)
        columns[ddl] = columns[ddl] (columns[ddl] == "" ? "" : ", ") name
        type[ddl, ++ndef[ddl]] = substr(def, length(name) + 2)
        next
    }
    ddl != "" && /^\);$/ { ddl = "" }
    /^SELECT pg_catalog\.setval\(/ {
        split($0, q, "\047")
        seq = q[2]
        sub(/^public\./, "", seq)
        sub(/_id_seq$/, "", seq)
        last = $0
        sub(/^[^,]*, /, "", last)
        sub(/,.*/, "", last)
        # an empty table leaves the sequence unused: setval(seq, 1, false)
        if (/, false\);$/ ? table_rows[seq] + 0 != 0 : last != table_rows[seq]) bad_setval++
    }
    !in_copy && /^COPY public\.[^ ]+ \(.*\) FROM stdin;$/ {
        in_copy = 1
        table = $2
        sub(/^public\./, "", table)
        order = order " " table
        header = $0
        sub(/^[^(]*\(/, "", header)
        sub(/\).*$/, "", header)
        ncols = split(header, unused, ", ")
        if (header != columns[table]) bad_ddl++
        next
    }
    in_copy && $0 == "\\." { in_copy = 0; next }
    in_copy {
        rows++
        n = ++table_rows[table]
        bytes[table] += length($0) + 1
        data += length($0) + 1
        if (split($0, f, "\t") != ncols) bad_fields++
        for (i = 1; i <= ncols; i++) {
            t = type[table, i]
            if (f[i] == "\\N") {
                if (t ~ /NOT NULL/) bad_null++
            } else if (t ~ /^integer/) {
                if (f[i] !~ /^-?[0-9]+$/ || f[i] + 0 > 2147483647 || f[i] + 0 < -2147483648) bad_int++
            } else if (t ~ /^bigint/) {
                if (f[i] !~ /^-?[0-9]+$/ || length(f[i]) > 20) bad_int++
            }
            if (t == "integer NOT NULL" && split(header, h, ", ") && h[i] == "id" && f[i] != n) bad_id++
        }
        last_row_start = line_start
        if (length($0) > longest) longest = length($0)
        count("(^|\t)\\\\N(\t|$)")
        count("\\\\\\\\")
        count("\\\\[tnr]")
        count("\047")
        count("[\200-\377]")
        count("(^|\t)(\t|$)")
        count("(^|\t)-[0-9]")
        count("(^|\t)-?[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9](\t|$)")
    }
    END {
        printf "rows=%d\nbad_fields=%d\nunclosed=%d\nlast_row_start=%d\nlongest=%d\n",
               rows, bad_fields, in_copy, last_row_start, longest
        printf "bad_ddl=%d\nbad_null=%d\nbad_int=%d\nbad_id=%d\nbad_setval=%d\n",
               bad_ddl, bad_null, bad_int, bad_id, bad_setval
        printf "order=%s\n", order
        for (t in bytes) printf "share_%s=%d\n", t, (data ? int(1000 * bytes[t] / data + 0.5) : 0)
        printf "null=%d\nbackslash=%d\nescape=%d\nquote=%d\nutf8=%d\nempty=%d\nnegative=%d\nint64=%d\n",
               odd["(^|\t)\\\\N(\t|$)"], odd["\\\\\\\\"], odd["\\\\[tnr]"], odd["\047"],
               odd["[\200-\377]"], odd["(^|\t)(\t|$)"], odd["(^|\t)-[0-9]"],
               odd["(^|\t)-?[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9](\t|$)"]
    }' "$1"
}

get() { sed -n "s/^$1=//p" "$2"; }

# --- generator: structure, size bound and determinism, per seed and size -----
#     seed  size_bytes
cases=(
    "1     0"
    "1     20000"
    "7     1000000"
    "1     5000000"
    "42    5000000"
)
for c in "${cases[@]}"; do
    read -r seed size <<<"$c"
    name="seed $seed size $size"
    out=$tmp/dump-$seed-$size.sql
    "$gen" "$seed" "$size" "$out" 2>"$tmp/err" || { fail "$name: exit $?"; continue; }
    summarise "$out" >"$tmp/sum"
    actual=$(stat -c %s "$out")
    [[ $(cat "$tmp/err") == "rows=$(get rows "$tmp/sum") bytes=$actual" ]] ||
        fail "$name: stderr '$(cat "$tmp/err")' disagrees with the file"
    for check in bad_fields bad_ddl bad_null bad_int bad_id bad_setval; do
        [[ $(get $check "$tmp/sum") == 0 ]] || fail "$name: $check=$(get $check "$tmp/sum")"
    done
    [[ $(get unclosed "$tmp/sum") == 0 ]] || fail "$name: a COPY block is not closed"
    [[ $(get order "$tmp/sum") == ' "CrawlQueue" anchors depths files hits inlinks mimetypes pages proxies robots_exclusions sites timings' ]] ||
        fail "$name: tables '$(get order "$tmp/sum")'"
    [[ $(tail -c 1 "$out" | od -An -c | tr -d ' ') == '\n' ]] || fail "$name: no final newline"
    tail -n 3 "$out" | grep -q '^\\unrestrict [A-Za-z0-9]\+$' || fail "$name: no closing \\unrestrict"
    iconv -f UTF-8 -t UTF-8 "$out" >/dev/null 2>&1 || fail "$name: invalid UTF-8"
    if ((size > 100000)); then
        # filled up to the target, and stopped right after the row that crossed it
        ((actual >= size)) || fail "$name: only $actual bytes"
        (($(get last_row_start "$tmp/sum") < size)) || fail "$name: wrote rows past the target"
    fi
    "$gen" "$seed" "$size" - 2>/dev/null | cmp -s - "$out" || fail "$name: not reproducible via stdout"
done
cmp -s "$tmp/dump-1-5000000.sql" "$tmp/dump-42-5000000.sql" && fail "seeds 1 and 42 give the same dump"

# --- generator: the column layouts the converter's rules are written for -------
for header in 'sites (url, id)' 'inlinks (id, src_url, dst_url, weight)' \
    'pages (id, url, status, size)' 'files (name, url, size)' 'depths (level)' \
    'proxies (host, port)' 'hits (page_id, day, count)' 'mimetypes (type, count)' \
    'timings (page_id, connect_ms, total_ms)' 'anchors (src_id, dst_id, pos, len)'; do
    grep -qFx "COPY public.$header FROM stdin;" "$tmp/dump-1-20000.sql" || fail "no COPY of $header"
done

# --- generator: bytes per table follow the crawl mix; oddities all occur -------
sum=$tmp/sum-5m
summarise "$tmp/dump-1-5000000.sql" >"$sum"
#        table      per mille of the data bytes
shares=("inlinks 300" "pages 220" "files 160" "sites 140" "anchors 60" "hits 50"
        "timings 40" "proxies 15" "mimetypes 10" "depths 5")
for s in "${shares[@]}"; do
    read -r table want <<<"$s"
    got=$(get "share_$table" "$sum")
    ((got >= want - 3 && got <= want + 3)) || fail "$table has $got per mille of the data, not ~$want"
done
rows=$(get rows "$sum")
for kind in null backslash escape quote utf8 empty negative int64; do
    n=$(get "$kind" "$sum")
    # about 1 row in 100 is odd, spread over eight kinds: each should show up,
    # none should swamp the data
    ((n > 0 && n < rows / 50)) || fail "oddity '$kind' in $n of $rows rows"
done
longest=$(get longest "$sum")
((longest >= 2048 && longest < 6000)) || fail "longest row has $longest bytes, want a 2-5 KB URL"

# --- generator: bad command lines ------------------------------------------------
for args in "" "1 2" "x 100 -" "1 10MB -" "1 -5 -" "1 100 $tmp/no/such/dir/out.sql"; do
    # shellcheck disable=SC2086 # split on purpose
    if "$gen" $args >/dev/null 2>&1; then fail "accepted '$args'"; fi
done

# --- run-bench.sh ----------------------------------------------------------------
# shellcheck disable=SC2016 # the stand-in's own $1 and $2
printf '#!/bin/sh\ncp "$1" "$2"\n' >"$tmp/copy-converter"
printf '#!/bin/sh\necho "cannot parse line 1" >&2\nexit 3\n' >"$tmp/broken-converter"
chmod +x "$tmp/copy-converter" "$tmp/broken-converter"
mkdir "$tmp/bench-tmp"

out=$(TMPDIR=$tmp/bench-tmp BENCH_RUNS=3 BENCH_STARTUP_RUNS=3 \
    "$here/run-bench.sh" "$tmp/copy-converter" "$gen" 0.2 1.5 2>&1) || fail "run-bench.sh failed: $out"
results=$(grep -E '^ +[0-9.]+ +[0-9]+ +[0-9.]+ +[0-9.]+ +[0-9]+ +[0-9.]+ +[0-9.]+ +[0-9.]+$' <<<"$out" || true)
[[ $(awk '{print $1}' <<<"$results" | paste -sd' ') == "0.2 1.5" ]] ||
    fail "run-bench.sh result lines: $out"
[[ $(awk '$1 == "1.5" {print $2}' <<<"$results") == $("$gen" 1 1500000 /dev/null 2>&1 | sed 's/rows=\([0-9]*\).*/\1/') ]] ||
    fail "run-bench.sh reports a row count other than the generator's"
grep -q '^# start-up (1-row dump, median of 3): converter [0-9.]* s, cat [0-9.]* s$' <<<"$out" ||
    fail "run-bench.sh start-up line missing: $out"

#     expected message       converter                   generator  sizes
bad_runs=(
    "exited with status 3|$tmp/broken-converter|$gen|0.1"
    "not found|$tmp/no-such-converter|$gen|0.1"
    "not a number|$tmp/copy-converter|$gen|3MB"
    "generator failed|$tmp/copy-converter|$tmp/broken-converter|0.1"
)
for r in "${bad_runs[@]}"; do
    IFS='|' read -r message conv generator size <<<"$r"
    if out=$(TMPDIR=$tmp/bench-tmp BENCH_RUNS=1 BENCH_STARTUP_RUNS=1 \
        "$here/run-bench.sh" "$conv" "$generator" "$size" 2>&1); then
        fail "run-bench.sh succeeded with $conv $generator $size"
    fi
    grep -q "$message" <<<"$out" || fail "run-bench.sh said '$out', expected '$message'"
done
BENCH_RUNS=0 "$here/run-bench.sh" "$tmp/copy-converter" "$gen" 1 >/dev/null 2>&1 &&
    fail "run-bench.sh accepted BENCH_RUNS=0"
[[ -z $(ls -A "$tmp/bench-tmp") ]] || fail "run-bench.sh left files in TMPDIR: $(ls "$tmp/bench-tmp")"

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all benchmark tool checks passed"

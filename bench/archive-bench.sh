#!/usr/bin/env bash
# Times a custom archive converted directly against the route through
# pg_restore, on the same generated crawler database.
#
#   bench/archive-bench.sh CONVERTER GENERATOR [SIZE_MB]      (default: 300)
#
# The generated dump (seed 1) is loaded into a throwaway server and
# written back with `pg_dump -Fc` (compressed) and `-Fc -Z0`. For each
# archive, BENCH_RUNS rounds (default 5) alternate
#   pg_restore -f - ARCHIVE | CONVERTER /dev/stdin facts    (the route)
#   CONVERTER ARCHIVE facts                                 (direct)
# and print the medians of wall and CPU seconds (user + system, of every
# process of the run) and their ratios, direct/route. Both must write the
# same facts. BENCH_DIR keeps the dump and archives there.
set -euo pipefail

if (($# < 2)); then
  echo "usage: ${0##*/} CONVERTER GENERATOR [SIZE_MB]" >&2
  exit 2
fi
converter=$(realpath "$1") generator=$(realpath "$2") size=${3:-300}
runs=${BENCH_RUNS:-5}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/pg-env.sh
. "$here/../scripts/pg-env.sh"
if reason=$(pg_why_unusable); then
  echo "${0##*/}: $reason" >&2
  exit 2
fi
[[ -x /usr/bin/time ]] || { echo "${0##*/}: needs /usr/bin/time (Debian package time)" >&2; exit 1; }
dir=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/pgdump2pl-archive-bench.XXXXXX")}
mkdir -p "$dir"
chmod 777 "$dir"
work=$(mktemp -d /tmp/pgdump2pl-archive-server.XXXXXX)
trap 'pg_stop; rm -rf "$work"; [[ -n ${BENCH_DIR:-} ]] || rm -rf "$dir"' EXIT
cd /

plain=$dir/crawler-$size.sql
[[ -s $plain ]] || "$generator" 1 "$size" >"$plain"
if [[ ! -s $dir/crawler-$size.custom || ! -s $dir/crawler-$size.custom-z0 ]]; then
  pg_start_throwaway "$work"
  psql_db postgres -c "CREATE ROLE crawler"
  psql_db postgres -c "CREATE DATABASE crawler TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'"
  psql_db crawler -f - <"$plain" >/dev/null
  as_pg "$pg_bindir/pg_dump" -d crawler -Fc -f "$dir/crawler-$size.custom"
  as_pg "$pg_bindir/pg_dump" -d crawler -Fc -Z0 -f "$dir/crawler-$size.custom-z0"
  pg_stop
fi
restore=${pg_bindir:-$(pg_find_bindir)}/pg_restore

# seconds: wall, then CPU, of `bash -c COMMAND`
timed() {
  /usr/bin/time -f '%e %U %S' -o "$dir/time" bash -c "$1" >/dev/null 2>&1
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$dir/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-18s %8s %8s %8s %8s %7s %7s\n' archive route_s direct_s route_cpu direct_cpu wall_x cpu_x
for archive in "$dir/crawler-$size.custom" "$dir/crawler-$size.custom-z0"; do
  cat "$archive" >/dev/null
  : >"$dir/route" && : >"$dir/direct"
  for ((i = 0; i < runs; i++)); do
    timed "'$restore' -f - '$archive' | '$converter' /dev/stdin '$dir/route.pl'" >>"$dir/route"
    timed "'$converter' '$archive' '$dir/direct.pl'" >>"$dir/direct"
  done
  cmp -s "$dir/route.pl" "$dir/direct.pl" || { echo "${0##*/}: $archive: the facts differ" >&2; exit 1; }
  rw=$(cut -d' ' -f1 "$dir/route" | median) dw=$(cut -d' ' -f1 "$dir/direct" | median)
  rc=$(cut -d' ' -f2 "$dir/route" | median) dc=$(cut -d' ' -f2 "$dir/direct" | median)
  printf '%-18s %8s %8s %8s %8s %7.2f %7.2f\n' "${archive##*/}" "$rw" "$dw" "$rc" "$dc" \
    "$(echo "$dw / $rw" | bc -l)" "$(echo "$dc / $rc" | bc -l)"
done

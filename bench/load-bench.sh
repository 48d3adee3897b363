#!/usr/bin/env bash
# Times loading a generated crawler dump's facts into SWI-Prolog.
#
#   bench/load-bench.sh CONVERTER GENERATOR [SIZE_MB [MODE]]   (default: 300 default)
#
# The dump (seed 1) is converted once (MODE all: with --all-tables). Then
# BENCH_RUNS rounds (default 3) time, each in a fresh swipl:
#   consult     consult(File)
#   load_facts  load_facts(File) of prolog/pgdump2pl.pl
#   qlf load    loading the .qlf that one qcompile(File) wrote (timed too)
# and print the median wall seconds, the median CPU seconds (user + system)
# and the largest peak RSS (/usr/bin/time) of each, and each median's
# ratio to consult's. Every way must give the same number of clauses.
# BENCH_DIR keeps the dump and the facts there instead of in a temporary
# directory removed at the end. PGDUMP2PL_LOADER names the loader to time
# (the load-bench target gives the build tree's, with its plain-fact
# reader); prolog/pgdump2pl.pl without it, which reads every line with
# Prolog's reader.
set -euo pipefail

if (($# < 2)); then
  echo "usage: ${0##*/} CONVERTER GENERATOR [SIZE_MB [MODE]]" >&2
  exit 2
fi
converter=$1 generator=$2 size=${3:-300} mode=${4:-default}
runs=${BENCH_RUNS:-3}
loader=${PGDUMP2PL_LOADER:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../prolog" && pwd)/pgdump2pl.pl}
[[ -x /usr/bin/time ]] || { echo "${0##*/}: needs /usr/bin/time (Debian package time)" >&2; exit 1; }
command -v swipl >/dev/null || { echo "${0##*/}: needs swipl (Debian package swi-prolog-nox)" >&2; exit 1; }
case $mode in
  default) flags=() ;;
  all) flags=(--all-tables) ;;
  *) echo "${0##*/}: unknown mode '$mode' (default, all)" >&2; exit 2 ;;
esac
if [[ -n ${BENCH_DIR:-} ]]; then
  dir=$BENCH_DIR
  mkdir -p -- "$dir"
else
  dir=$(mktemp -d "${TMPDIR:-/tmp}/pgdump2pl-load-bench.XXXXXX")
  trap 'rm -rf -- "$dir"' EXIT
fi
dump=$dir/crawler-$size.sql facts=$dir/crawler-$size-$mode.pl
[[ -s $dump ]] || "$generator" 1 "$size" copy >"$dump" 2>/dev/null
"$converter" -q "${flags[@]}" "$dump" "$facts" 2>/dev/null
cat -- "$facts" >/dev/null

# timed NAME GOAL: runs GOAL in a fresh swipl, which prints the clauses it
# loaded; appends wall, CPU and RSS (KiB) to NAME's lists.
declare -A wall cpu rss clauses
count='aggregate_all(sum(N),(predicate_property(user:H,number_of_clauses(N)),\+predicate_property(user:H,imported_from(_))),C),writeln(C)'
timed() {
  local name=$1 goal=$2 out
  out=$(/usr/bin/time -f '%e %U %S %M' -o "$dir/time" swipl -q -f none --no-packs -g "$goal,$count" -t halt)
  read -r w u s m <"$dir/time"
  wall[$name]+="$w " cpu[$name]+="$(awk -v u="$u" -v s="$s" 'BEGIN {print u + s}') "
  if ((m > ${rss[$name]:-0})); then rss[$name]=$m; fi
  [[ -z ${clauses[$name]:-} || ${clauses[$name]} == "$out" ]] || { echo "$name: $out clauses, then ${clauses[$name]}" >&2; exit 1; }
  clauses[$name]=$out
}

# median "A B C": the median of a list of words.
# shellcheck disable=SC2086
median() { printf '%s\n' $1 | sort -g | awk '{v[NR] = $1} END {print (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2}'; }

qlf=${facts%.pl}.qlf
for ((i = 0; i < runs; i++)); do
  timed consult "load_files('$facts',[encoding(utf8)])"
  timed load_facts "use_module('$loader'),load_facts('$facts')"
  if ((i == 0)); then
    rm -f -- "$qlf"
    timed qcompile "qcompile('$facts',[encoding(utf8)])"
  fi
  timed 'qlf load' "load_files('$qlf',[])"
done

echo "# loader: $loader$(swipl -q -f none --no-packs -g "use_module('$loader'),(current_predicate(pgdump2pl:plain_facts/7)->write(', with its plain-fact reader');true)" -t halt)"
echo "# $(stat -c %s -- "$facts") bytes of facts ($mode mode, ${size} MB dump), $runs rounds, $(nproc) CPUs, $(swipl --version)"
printf '%-10s %10s %8s %8s %8s %9s\n' way clauses wall_s cpu_s vs_cons RSS_MiB
c0=$(median "${wall[consult]}")
for name in consult load_facts qcompile 'qlf load'; do
  w=$(median "${wall[$name]}")
  awk -v n="$name" -v k="${clauses[$name]}" -v w="$w" -v c="$(median "${cpu[$name]}")" -v c0="$c0" -v m="${rss[$name]}" \
    'BEGIN {printf "%-10s %10d %8.2f %8.2f %8.2f %9.1f\n", n, k, w, c, w / c0, m / 1024}'
done
for name in load_facts 'qlf load'; do
  [[ ${clauses[$name]} == "${clauses[consult]}" ]] || { echo "$name loaded ${clauses[$name]} clauses, consult ${clauses[consult]}" >&2; exit 1; }
done

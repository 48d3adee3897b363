#!/usr/bin/env bash
# check-fixtures.sh [REPO_ROOT]
#
# Rebuilds the crawler dumps and table exports with the PostgreSQL installed
# here (make-fixture-dump.sh) and compares them with tests/fixtures, so that
# the committed fixtures are known to be what pg_dump really writes.
#
# Masked before comparing, because they change from run to run or from one
# minor release to the next:
#   -- Dumped from database version ...
#   -- Dumped by pg_dump version ...
#   the random key of the \restrict KEY / \unrestrict KEY lines
#
# Exit status: 0 the fixtures match; 1 they differ (unified diff on stdout)
# or regenerating failed; 77 skipped (no usable PostgreSQL, reason on stderr).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=${1:-$(dirname "$here")}
fixtures=$root/tests/fixtures
# shellcheck source=scripts/pg-env.sh
. "$here/pg-env.sh"

if reason=$(pg_why_unusable); then
    echo "check-fixtures: skipped: $reason" >&2
    exit 77
fi
if [[ ! -f $fixtures/crawler.sql ]]; then
    echo "check-fixtures: no fixtures in $fixtures" >&2
    exit 1
fi

tmp=$(mktemp -d /tmp/check-fixtures.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

if ! "$here/make-fixture-dump.sh" "$tmp/regenerated" >"$tmp/make.log" 2>&1; then
    echo "check-fixtures: make-fixture-dump.sh failed:" >&2
    cat "$tmp/make.log" >&2
    exit 1
fi

# What make-fixture-dump.sh writes; anything else in tests/fixtures (the
# converter's expected outputs, say) is not its business and is ignored.
generated=(crawler.sql crawler-quoted.sql crawler-inserts.sql exports)

# Copies the generated files of directory $1 into $2 with the run-dependent
# lines masked.
masked_copy() {
    local from=$1 to=$2 f
    mkdir -p "$to"
    # A generated file missing from $from shows up as a diff, not an error.
    (cd "$from" || exit 1; find "${generated[@]}" -type f -print0 2>/dev/null || true) |
        while IFS= read -r -d '' f; do
            mkdir -p "$to/$(dirname "$f")"
            LC_ALL=C sed -E \
                -e 's/^(-- Dumped from database version ).*/\1(masked)/' \
                -e 's/^(-- Dumped by pg_dump version ).*/\1(masked)/' \
                -e 's/^\\(restrict|unrestrict) [[:alnum:]]+$/\\\1 (masked)/' \
                "$from/$f" >"$to/$f"
        done
}

masked_copy "$fixtures" "$tmp/committed"
masked_copy "$tmp/regenerated" "$tmp/regenerated-masked"

cd "$tmp"
if diff -ruN committed regenerated-masked; then
    exit 0
fi
echo "check-fixtures: tests/fixtures differ from a fresh run of scripts/make-fixture-dump.sh" >&2
exit 1

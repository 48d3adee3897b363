#!/usr/bin/env bash
# hostile_input.sh PGDUMP2PL: odd and crafted dumps, as a careless or
# hostile user gives them, each with the outcome it must have. One row a
# case below, its fields split by " | ":
#   NAME | OPTIONS | DUMP | STATUS | MESSAGE | LOADS | MEMORY
# DUMP     @maker: a function below that makes the dump, in $path; else the
#          dump's text, as printf %b reads it (\n, \t, \\, \xHH)
# MESSAGE  a fragment that standard error must hold; - for none, when it
#          must be empty
# LOADS    yes: SWI-Prolog must load the fact file without an error or a
#          warning; -: not checked (none is written, or swipl is missing)
# MEMORY   the address space the run gets (ulimit -v), in MiB; - for no limit
# Standard error never holds a control byte but its line ends: a dump's
# bytes are escaped there.
set -uo pipefail
converter=$(realpath "$1")
fixtures=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/fixtures
work=$(mktemp -d /tmp/pgdump2pl-hostile.XXXXXX)
writers=()
cleanup() {
    ((${#writers[@]})) && kill "${writers[@]}" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
have_swipl=$(command -v swipl >/dev/null && echo yes)

# A row of endless a's after a COPY header, through a pipe: a line no
# memory holds.
long_line() {
    mkfifo "$work/$name.fifo"
    { printf 'COPY sites (url, id) FROM stdin;\n'; tr '\0' a </dev/zero; } >"$work/$name.fifo" 2>/dev/null &
    writers+=($!)
    path=$work/$name.fifo
}

# A COPY row and an INSERT string of 64 MiB each, which the memory the
# rows below give holds once, not twice.
long_row() {
    { printf 'COPY sites (url, id) FROM stdin;\n'; head -c $((64 << 20)) /dev/zero | tr '\0' a; printf '\t7\n\\.\n'; } >"$work/$name.sql"
    path=$work/$name.sql
}
long_string() {
    {
        printf "CREATE TABLE sites (url text, id integer);\nINSERT INTO sites VALUES ('"
        head -c $((64 << 20)) /dev/zero | tr '\0' a
        printf "', 7);\n"
    } >"$work/$name.sql"
    path=$work/$name.sql
}

# A directory archive whose first table's data file is /dev/zero.
zero_data_file() {
    path=$work/$name.dir
    cp -r "$fixtures/archives/crawler.directory" "$path"
    rm "$path/3408.dat.gz"
    ln -s /dev/zero "$path/3408.dat"
}

# A directory archive whose TOC names a data file ESC [2J NUL /.. (the
# same length as the name it replaces): a name that clears a terminal.
escape_file_name() {
    path=$work/$name.dir
    cp -r "$fixtures/archives/crawler.directory" "$path"
    perl -0777 -pi -e 's/3410\.dat/\e[2J\0\/../' "$path/toc.dat"
}

# A statement that opens 2^20 + 10 parentheses and closes 2^20 of them:
# the count stops at 2^20, so the `;` ends it, and the COPY after it is
# read as a statement of its own.
deep_parentheses() {
    {
        printf 'SELECT '
        head -c $(((1 << 20) + 10)) /dev/zero | tr '\0' '('
        head -c $((1 << 20)) /dev/zero | tr '\0' ')'
        printf ";\nCOPY t FROM '/x';\n"
    } >"$work/$name.sql"
    path=$work/$name.sql
}

status=0 rows=0
while IFS='|' read -r name options dump expected message loads memory; do
    read -r name <<<"$name"
    [[ -z $name || $name == \#* ]] && continue
    read -r -a options <<<"$options"
    [[ ${options[*]} == - ]] && options=()
    read -r dump <<<"$dump"
    read -r message <<<"$message"
    read -r expected loads memory <<<"$expected $loads $memory"
    # A sanitized build reserves more address space than any limit here.
    [[ $memory != - && -n ${HOSTILE_INPUT_NO_MEMORY_LIMIT:-} ]] && continue
    case $dump in
    @*) "${dump#@}" ;;
    *)
        path=$work/$name.sql
        printf '%b' "$dump" >"$path"
        ;;
    esac
    facts=$work/$name.pl
    limit=unlimited
    [[ $memory != - ]] && limit=$((memory * 1024))
    (ulimit -v "$limit" && exec "$converter" -q "${options[@]}" "$path" "$facts") >/dev/null 2>"$work/err"
    got=$?
    problems=()
    ((got == expected)) || problems+=("exit status $got, not $expected")
    if [[ $message == - ]]; then
        [[ -s $work/err ]] && problems+=("standard error is not empty")
    elif ! grep -qF -- "$message" "$work/err"; then
        problems+=("standard error lacks: $message")
    fi
    LC_ALL=C grep -q '[[:cntrl:]]' <(tr -d '\n' <"$work/err") && problems+=("a control byte reached standard error")
    if [[ $loads == yes && -n $have_swipl ]] &&
        ! swipl -q -f none --no-packs --on-error=status --on-warning=status -t halt "$facts" >/dev/null 2>&1; then
        problems+=("the facts do not load")
    fi
    ((${#writers[@]})) && kill "${writers[@]}" 2>/dev/null
    writers=()
    rows=$((rows + 1))
    if ((${#problems[@]})); then
        status=1
        printf "$name: %s\n" "${problems[@]}" >&2
        sed 's/^/    /' "$work/err" | head -n 5 >&2
    fi
done <<'EOF'
# name                    | options      | dump               | status | message                                       | loads | MiB
long-line                 | -            | @long_line         | 255    | out of memory                                 | yes   | 256
long-line-all-tables      | --all-tables | @long_line         | 255    | out of memory                                 | yes   | 256
long-row                  | -            | @long_row          | 0      | -                                             | -     | 192
long-row-all-tables       | --all-tables | @long_row          | 0      | -                                             | -     | 192
long-string-all-tables    | --all-tables | @long_string       | 0      | -                                             | -     | 128
zero-data-file            | -            | @zero_data_file    | 255    | a line longer than 1 GiB                      | yes   | 2048
escaped-file-name         | -            | @escape_file_name  | 255    | names the file "\x1B[2J\x00/.." for the data  | yes   | -
deep-parentheses          | --all-tables | @deep_parentheses  | 0      | COPY reads its rows from outside the script   | yes   | -
EOF
echo "$rows hostile inputs"
exit "$status"

# shellcheck shell=bash
# Sourced by make-fixture-dump.sh, not run.
#
# pg_find_bindir: print the directory holding initdb, pg_ctl, psql and
# pg_dump, or fail. PG_BINDIR overrides the search; otherwise the server
# that `pg_config --bindir` names, then the newest /usr/lib/postgresql/*/bin.
# pg_config alone is not enough: libpq-dev ships it without any server.
pg_find_bindir() {
    local d candidates=()
    if [[ -n ${PG_BINDIR:-} ]]; then
        candidates+=("$PG_BINDIR")
    else
        if command -v pg_config >/dev/null 2>&1; then
            d=$(pg_config --bindir 2>/dev/null) && candidates+=("$d")
        fi
        # Newest major version first.
        while IFS= read -r d; do
            candidates+=("$d")
        done < <(printf '%s\n' /usr/lib/postgresql/*/bin | sort -t/ -k5,5nr)
    fi
    for d in "${candidates[@]}"; do
        if [[ -x $d/initdb && -x $d/pg_ctl && -x $d/psql && -x $d/pg_dump ]]; then
            printf '%s\n' "$d"
            return 0
        fi
    done
    return 1
}

# pg_why_unusable: print why this machine cannot run a throwaway server
# (empty output and status 1 when it can).
pg_why_unusable() {
    if ! pg_find_bindir >/dev/null; then
        echo "PostgreSQL server binaries (initdb, pg_ctl, psql, pg_dump) not found"
        return 0
    fi
    if [[ $(id -u) -eq 0 ]] && ! id -u postgres >/dev/null 2>&1; then
        echo "running as root but there is no 'postgres' user to run the server as"
        return 0
    fi
    return 1
}

# shellcheck shell=bash
# Sourced by make-fixture-dump.sh and tests/round-trip.sh, not run.
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

# pg_start_throwaway DIR: a new cluster in the empty directory DIR, its
# server started on a Unix socket in DIR and nowhere else. As root the
# server tools run as the 'postgres' user, because PostgreSQL refuses to
# run as root. The superuser is always 'postgres', locale C and encoding
# UTF8, so what it dumps does not depend on who runs it or on the
# machine's locale. Sets pg_bindir and pg_dir for as_pg and pg_stop; the
# caller runs pg_stop on every way out, failure included.
pg_start_throwaway() {
    pg_dir=$1
    pg_bindir=$(pg_find_bindir)
    if [[ $(id -u) -eq 0 ]]; then
        chown postgres: "$pg_dir"
        pg_as_owner=(runuser -u postgres --)
    else
        pg_as_owner=()
    fi
    as_pg "$pg_bindir/initdb" -D "$pg_dir/data" -U postgres -A trust \
        --locale=C --encoding=UTF8 -N >"$pg_dir/initdb.log" 2>&1 || {
        cat "$pg_dir/initdb.log" >&2
        return 1
    }
    cat >>"$pg_dir/data/postgresql.conf" <<EOF
listen_addresses = ''
unix_socket_directories = '$pg_dir'
port = 5432
fsync = off
full_page_writes = off
EOF
    as_pg "$pg_bindir/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 start >/dev/null || {
        cat "$pg_dir/server.log" >&2 || true
        return 1
    }
}

# pg_start_scratch_server: pg_start_throwaway in a new directory under
# /tmp, named in pg_scratch, for a script with nothing else to clean up:
# on every way out of it, a signal included, the server stops and the
# directory goes, and the script keeps its exit status.
pg_start_scratch_server() {
    pg_scratch=$(mktemp -d /tmp/pgdump2pl-server.XXXXXX)
    trap _pg_scratch_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    pg_start_throwaway "$pg_scratch"
}
_pg_scratch_cleanup() {
    local status=$?
    pg_stop
    rm -rf "$pg_scratch"
    exit "$status"
}

# pg_stop: stops the server that pg_start_throwaway started, if any.
pg_stop() {
    if [[ -n ${pg_dir:-} && -f $pg_dir/data/postmaster.pid ]]; then
        as_pg "$pg_bindir/pg_ctl" -D "$pg_dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
}

# as_pg TOOL ARG...: runs a PostgreSQL tool as the server's owner with a
# clean environment, so that no PGHOST/PGPORT/PGSERVICE/psqlrc of the
# caller can send it elsewhere.
as_pg() {
    "${pg_as_owner[@]}" env -i \
        PATH=/usr/bin:/bin HOME="$pg_dir" LANG=C LC_ALL=C TZ=UTC \
        PGHOST="$pg_dir" PGPORT=5432 PGUSER=postgres PGCLIENTENCODING=UTF8 \
        "$@"
}

# psql_db DB ARG...: psql on database DB, stopping at the first error.
psql_db() {
    as_pg "$pg_bindir/psql" -X -q -v ON_ERROR_STOP=1 -d "$1" "${@:2}"
}

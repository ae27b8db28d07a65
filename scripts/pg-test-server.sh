#!/usr/bin/env bash
# A private PostgreSQL server for the tests, in a temporary folder, reachable only on 127.0.0.1.
#
#   eval "$(bash scripts/pg-test-server.sh start)"   # sets TAVO_TEST_PG and TAVO_TEST_PG_DIR
#   bash scripts/pg-test-server.sh stop "$TAVO_TEST_PG_DIR"
#
# Tests trade durability for speed (no fsync). `start --durable` keeps PostgreSQL's durable defaults,
# so commits cost what they cost on an office server, and loads pg_stat_statements (counting nothing
# until a session asks): the server of the benchmarks.
#
# start prints the two export lines and exits 0 once the server accepts connections; it prints nothing
# and exits 0 when PostgreSQL is not installed (the tests that need it then skip), and exits 1 with a
# message on stderr when it is installed but the server does not come up. Run as root (as in CI), the
# server runs as the unprivileged user nobody, since PostgreSQL refuses to run as root.
set -euo pipefail

pg_bin_dir() {
    local dir best=""
    for dir in /usr/lib/postgresql/*/bin; do
        [ -x "$dir/initdb" ] && [ -x "$dir/pg_ctl" ] || continue
        if [ -z "$best" ] || [ "$(basename "$(dirname "$dir")")" -gt "$(basename "$(dirname "$best")")" ] 2>/dev/null; then
            best=$dir
        fi
    done
    printf '%s' "$best"
}

# Runs a command as the owner of the server folder: as nobody when we are root, else directly.
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups -- \
            env HOME="$folder" "$@"
    else
        "$@"
    fi
}

free_port() {
    python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()'
}

fail() {
    echo "pg-test-server: $*" >&2
    if [ -n "${folder:-}" ] && [ -f "$folder/server.log" ]; then
        echo "--- $folder/server.log ---" >&2
        tail -n 20 "$folder/server.log" >&2
    fi
    [ -n "${folder:-}" ] && rm -rf "$folder"
    exit 1
}

# Stops a half-started server and removes its folder (start interrupted).
discard() {
    [ -f "$folder/data/postmaster.pid" ] &&
        (cd "$folder" && as_owner "$1/pg_ctl" -D "$folder/data" -m immediate -s stop >/dev/null 2>&1) || true
    rm -rf "$folder"
}

start() {
    local bin port attempt base settings
    settings="-c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=100"
    [ "${1:-}" != "--durable" ] ||
        settings="-c shared_preload_libraries=pg_stat_statements -c pg_stat_statements.track=none"
    bin=$(pg_bin_dir)
    [ -n "$bin" ] || exit 0

    base=${TMPDIR:-/tmp}
    # nobody must be able to reach the folder; a private TMPDIR of root is not reachable for it.
    if [ "$(id -u)" -eq 0 ] && ! setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups \
        -- test -x "$base"; then
        base=/tmp
    fi
    folder=$(mktemp -d "$base/tavo-pg.XXXXXX")
    trap "discard '$bin'; exit 130" INT TERM
    chmod 700 "$folder"
    [ "$(id -u)" -ne 0 ] || chown "$(id -u nobody):$(id -g nobody)" "$folder"
    cd "$folder" # the server's user may not be able to read the caller's working directory

    # German collation (ICU, as on an office server in Austria), so that a statement that sorts or
    # compares text without the byte-wise collation of the user tables gives other results than SQLite.
    as_owner "$bin/initdb" -D "$folder/data" --auth=trust -U tavo --encoding=UTF8 --locale-provider=icu \
        --icu-locale=de-AT --locale=de_AT.UTF-8 --no-sync \
        >"$folder/initdb.log" 2>&1 || { cat "$folder/initdb.log" >&2; fail "initdb ist fehlgeschlagen"; }

    for attempt in 1 2 3 4 5; do
        port=$(free_port) || fail "kein freier Port gefunden (python3)"
        # Another process may take the port between the probe and the start: then try another one.
        if as_owner "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 -s \
            -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories='$folder'" \
            -o "$settings" \
            start >/dev/null 2>&1; then
            if "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -U tavo -d postgres -t 30; then
                trap - INT TERM
                echo "export TAVO_TEST_PG=postgresql://tavo@127.0.0.1:$port/postgres"
                echo "export TAVO_TEST_PG_DIR=$folder"
                return 0
            fi
            as_owner "$bin/pg_ctl" -D "$folder/data" -m immediate -s stop >/dev/null 2>&1 || true
        fi
        grep -q 'could not bind\|Address already in use' "$folder/server.log" 2>/dev/null ||
            fail "der Server ist nicht gestartet"
        : >"$folder/server.log"
    done
    fail "kein freier Port nach $attempt Versuchen"
}

stop() {
    folder=${1:-${TAVO_TEST_PG_DIR:-}}
    [ -n "$folder" ] || { echo "Aufruf: $0 stop ORDNER" >&2; exit 2; }
    # Only a folder this script made is removed.
    case "$(basename "$folder")" in
    tavo-pg.*) ;;
    *) echo "pg-test-server: $folder ist kein Ordner eines Testservers" >&2; exit 2 ;;
    esac
    [ -d "$folder" ] || exit 0
    local bin
    bin=$(pg_bin_dir)
    if [ -n "$bin" ] && [ -f "$folder/data/postmaster.pid" ]; then
        (cd "$folder" && as_owner "$bin/pg_ctl" -D "$folder/data" -m fast -w -s stop >/dev/null) ||
            echo "pg-test-server: der Server in $folder hielt nicht an" >&2
    fi
    rm -rf "$folder"
}

case "${1:-}" in
start) start "${2:-}" ;;
stop) stop "${2:-}" ;;
*) echo "Aufruf: $0 start [--durable] | stop [ORDNER]" >&2; exit 2 ;;
esac

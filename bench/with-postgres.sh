#!/usr/bin/env bash
# Runs a command beside a private PostgreSQL server made for it, and removes the server afterwards,
# also when the command fails or is interrupted:
#
#   bash bench/with-postgres.sh COMMAND [ARGUMENTS...]
#
# The command finds the server in TAVO_BENCH_PG ("postgresql://tavo@127.0.0.1:PORT/postgres", a
# superuser without password) and its log in TAVO_BENCH_PG_LOG. The server keeps PostgreSQL's
# durable defaults (fsync and synchronous_commit on), so commits cost what they cost on an office
# server; it listens on 127.0.0.1 only, on a free port, and pg_stat_statements is loaded but counts
# nothing until a session asks for it. Run as root, the server runs as the unprivileged user nobody,
# since PostgreSQL refuses to run as root. Without PostgreSQL installed nothing is run (exit 0).
set -euo pipefail

[ $# -ge 1 ] || { echo "Aufruf: $0 BEFEHL [ARGUMENTE...]" >&2; exit 2; }

bin=""
for dir in /usr/lib/postgresql/*/bin; do
    [ -x "$dir/initdb" ] && [ -x "$dir/pg_ctl" ] && bin=$dir
done
if [ -z "$bin" ]; then
    echo "PostgreSQL ist nicht installiert (Paket postgresql): nichts gemessen." >&2
    exit 0
fi

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups -- env HOME="$folder" "$@"
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

# nobody must reach the folder, so it lies in /tmp, not in a private TMPDIR of root.
folder=$(mktemp -d /tmp/tavo-pgbench.XXXXXX)
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    if [ -f "$folder/data/postmaster.pid" ]; then
        (cd "$folder" && as_owner "$bin/pg_ctl" -D "$folder/data" -m fast -w -s stop >/dev/null 2>&1) ||
            (cd "$folder" && as_owner "$bin/pg_ctl" -D "$folder/data" -m immediate -s stop >/dev/null 2>&1) || true
    fi
    rm -rf "$folder"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

chmod 700 "$folder"
[ "$(id -u)" -ne 0 ] || chown "$(id -u nobody):$(id -g nobody)" "$folder"
original_dir=$PWD
cd "$folder" # the server's user may not be able to read the caller's working directory

as_owner "$bin/initdb" -D "$folder/data" --auth=trust -U tavo --encoding=UTF8 --no-locale >"$folder/initdb.log" 2>&1 ||
    { cat "$folder/initdb.log" >&2; echo "initdb ist fehlgeschlagen" >&2; exit 1; }

started=""
for attempt in 1 2 3 4 5; do
    port=$(free_port)
    if as_owner "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 -s \
        -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories='$folder'" \
        -o "-c shared_preload_libraries=pg_stat_statements -c pg_stat_statements.track=none" \
        start >/dev/null 2>&1; then
        started=yes
        break
    fi
    # Another process may have taken the port between the probe and the start.
    grep -q 'could not bind\|Address already in use' "$folder/server.log" 2>/dev/null || break
    : >"$folder/server.log"
done
if [ -z "$started" ]; then
    echo "Der PostgreSQL-Server ist nicht gestartet:" >&2
    tail -n 20 "$folder/server.log" >&2 || true
    exit 1
fi

cd "$original_dir"
TAVO_BENCH_PG="postgresql://tavo@127.0.0.1:$port/postgres" TAVO_BENCH_PG_LOG="$folder/server.log" "$@"

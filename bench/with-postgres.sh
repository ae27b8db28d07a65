#!/usr/bin/env bash
# Runs a command beside a private PostgreSQL server made for it, and removes the server afterwards,
# also when the command fails or is interrupted:
#
#   bash bench/with-postgres.sh COMMAND [ARGUMENTS...]
#
# The command finds the server in TAVO_BENCH_PG ("postgresql://tavo@127.0.0.1:PORT/postgres", a
# superuser without password) and its log in TAVO_BENCH_PG_LOG. The server is the tests' private one
# (scripts/pg-test-server.sh) with PostgreSQL's durable defaults. Without PostgreSQL installed nothing
# is run (exit 0).
set -euo pipefail

[ $# -ge 1 ] || { echo "Aufruf: $0 BEFEHL [ARGUMENTE...]" >&2; exit 2; }
script=$(cd "$(dirname "$0")/.." && pwd)/scripts/pg-test-server.sh
server=$(bash "$script" start --durable) || exit 1
if [ -z "$server" ]; then
    echo "PostgreSQL ist nicht installiert (Paket postgresql): nichts gemessen." >&2
    exit 0
fi
eval "$server"
trap 'bash "$script" stop "$TAVO_TEST_PG_DIR"' EXIT
trap 'exit 130' INT TERM
TAVO_BENCH_PG=$TAVO_TEST_PG TAVO_BENCH_PG_LOG=$TAVO_TEST_PG_DIR/server.log "$@"

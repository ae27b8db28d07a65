#!/usr/bin/env bash
# Builds TAVO and runs every test headless. When PostgreSQL is installed, the tests get a private
# server of their own (scripts/pg-test-server.sh), which is stopped at the end, also after a failure
# or Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

server_script=$PWD/scripts/pg-test-server.sh
trap '[ -z "${TAVO_TEST_PG_DIR:-}" ] || bash "$server_script" stop "$TAVO_TEST_PG_DIR"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
unset TAVO_TEST_PG TAVO_TEST_PG_DIR
pg_server=$(bash "$server_script" start) || {
    echo "Der private PostgreSQL-Testserver ist nicht gestartet (PostgreSQL ist installiert)." >&2
    exit 1
}
if [ -n "$pg_server" ]; then
    eval "$pg_server"
    export TAVO_TEST_PG TAVO_TEST_PG_DIR
    echo "PostgreSQL-Testserver: $TAVO_TEST_PG"
else
    echo "PostgreSQL ist nicht installiert: die Tests gegen einen PostgreSQL-Server werden übersprungen."
fi

cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"

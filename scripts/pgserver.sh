#!/usr/bin/env bash
# A throw-away PostgreSQL 15 server for tests and benchmarks, never a system cluster: its data
# and its Unix socket live in a temporary directory, it listens on no network address, and it
# runs as an unprivileged user (fpbxpg, created when run as root).
#
#   pgserver.sh start  STATE [--durable] [--loopback]
#                                         initialise (first time) and start; prints the
#                                         connection string, also kept in STATE/conninfo
#   pgserver.sh pause  STATE              stop the server, keep its data
#   pgserver.sh resume STATE              start it again on the same data and socket
#   pgserver.sh stop   STATE              stop it and remove everything
#
# STATE is a directory of the caller's (in the build tree) that remembers the server. Test
# servers run without fsync (nothing there needs to survive a crash); --durable keeps the
# server's defaults, for benchmarks. --loopback listens on 127.0.0.1 too, and the connection
# string goes that way: a benchmark measures what a clerk's TCP connection costs.
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
command=${1:?command}
state=${2:?state directory}
durable=
loopback=
for option in "${@:3}"; do
  case "$option" in
    --durable) durable=$option ;;
    --loopback) loopback=$option ;;
    *) echo "unknown option: $option" >&2; exit 2 ;;
  esac
done
port=54329
user=fpbxpg

run() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u "$user" -- "$@"
  else
    "$@"
  fi
}

server_dir() { cat "$state/dir" 2>/dev/null || true; }

start_server() {
  local dir=$1 listen=''
  [[ -f "$dir/loopback" ]] && listen=127.0.0.1
  run "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-k $dir -p $port -c listen_addresses='$listen'" start >/dev/null
}

case "$command" in
  start)
    dir=$(server_dir)
    if [[ -n "$dir" && -d "$dir/data" ]]; then
      run "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1 || start_server "$dir"
      cat "$state/conninfo"
      exit 0
    fi
    [[ -x "$bin/initdb" ]] || { echo "PostgreSQL 15 is not installed ($bin): scripts/deps.sh installs postgresql-15" >&2; exit 1; }
    if [[ $(id -u) -eq 0 ]] && ! id -u "$user" >/dev/null 2>&1; then
      useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    fi
    mkdir -p "$state"
    dir=$(mktemp -d /tmp/fpbx-pg.XXXXXX)
    [[ $(id -u) -eq 0 ]] && chown "$user" "$dir"
    echo "$dir" > "$state/dir"
    run "$bin/initdb" -D "$dir/data" -U fpbx_admin -E UTF8 --locale=C.UTF-8 --auth=trust -N \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    # One role logs in with a password, so that tests can see a password refused and kept out
    # of every message; everyone else is trusted on the socket (and on loopback, which only a
    # benchmark's server listens on).
    run sh -c "printf '%s\n' 'local all fpbx_password_user scram-sha-256' 'local all all trust' \
      'host all all 127.0.0.1/32 trust' > '$dir/data/pg_hba.conf'"
    if [[ "$durable" != "--durable" ]]; then
      run sh -c "printf '%s\n' 'fsync = off' 'synchronous_commit = off' 'full_page_writes = off' \
        >> '$dir/data/postgresql.conf'"
    fi
    host=$dir
    if [[ -n "$loopback" ]]; then
      run touch "$dir/loopback"
      host=127.0.0.1
    fi
    start_server "$dir" || { cat "$dir/server.log" >&2; exit 1; }
    echo "host=$host port=$port dbname=postgres user=fpbx_admin" > "$state/conninfo"
    cat "$state/conninfo"
    ;;
  pause)
    dir=$(server_dir)
    [[ -n "$dir" ]] && run "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
  resume)
    dir=$(server_dir)
    start_server "$dir"
    ;;
  stop)
    dir=$(server_dir)
    if [[ -n "$dir" && -d "$dir" ]]; then
      run "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
      rm -rf "$dir"
    fi
    rm -f "$state/dir" "$state/conninfo"
    ;;
  *)
    echo "unknown command: $command" >&2
    exit 2
    ;;
esac

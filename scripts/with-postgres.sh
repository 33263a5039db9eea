#!/usr/bin/env bash
# Runs a command with a private PostgreSQL server: a cluster made in a
# temporary folder, listening only on a Unix socket there, run as an
# unprivileged user when started as root, stopped (and removed) afterwards.
# The command finds the server in ORV_TEST_POSTGRES_URI.
set -euo pipefail

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [[ -z "$bindir" || ! -x "$bindir/initdb" ]]; then
  echo "with-postgres: no PostgreSQL server installed; running without it" >&2
  exec "$@"
fi

dir=$(mktemp -d /tmp/orv-pg.XXXXXX)
chmod 755 "$dir"
as_server=()
if [[ $(id -u) -eq 0 ]]; then
  chown nobody "$dir"
  as_server=(runuser -u nobody --)
fi

stop() {
  "${as_server[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT

"${as_server[@]}" "$bindir/initdb" -D "$dir/data" -A trust -U orvalis -E UTF8 --locale=C.UTF-8 --no-sync \
  >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
options="-k $dir -c listen_addresses= -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=100"
"${as_server[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "$options" start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }

export ORV_TEST_POSTGRES_URI="postgresql:///postgres?host=$dir&user=orvalis"
# The fault tests stop the server abruptly and start it again.
cat >"$dir/ctl" <<EOF
#!/usr/bin/env bash
case "\$1" in
  stop) exec ${as_server[*]} "$bindir/pg_ctl" -D "$dir/data" -m immediate stop ;;
  start) exec ${as_server[*]} "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "$options" start ;;
esac
EOF
chmod 755 "$dir/ctl"
export ORV_TEST_POSTGRES_CTL="$dir/ctl"
echo "with-postgres: server at $dir"
set +e
"$@"
rc=$?
set -e
exit $rc

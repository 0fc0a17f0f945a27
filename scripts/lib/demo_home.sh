# Sourced by the scripts that run Brevio against the demo server. Needs $root (the checkout),
# $cli and $server (built programs) and $home (an empty program folder); exports BREVIO_HOME,
# starts the demo server (extra arguments: "$@") and points the program folder at it, copies
# the reference tables and logs in as the demo user with automatic login. Sets $server_pid,
# $nsp_port, $http_port and $content.
start_demo_home() {
  export BREVIO_HOME="$home"
  "$server" --nsp-port 0 --http-port 0 --exit-after 600 "$@" \
    >"$home/server.out" 2>"$home/server.log" &
  server_pid=$!
  nsp_port="" http_port=""
  for _ in $(seq 100); do
    nsp_port=$(awk '/^nsp-port /{print $2}' "$home/server.out")
    http_port=$(awk '/^http-port /{print $2}' "$home/server.out")
    [[ -n "$nsp_port" && -n "$http_port" ]] && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$home/server.log" >&2; return 1; }
    sleep 0.1
  done
  [[ -n "$nsp_port" && -n "$http_port" ]] || { echo "demo server did not start" >&2; return 1; }
  "$cli" settings set ServerHost 127.0.0.1 >/dev/null
  "$cli" settings set ServerPort "$nsp_port" --int >/dev/null
  "$cli" settings set PortalAddress "http://127.0.0.1:$http_port" >/dev/null
  content=$("$cli" settings load | awk -F'\t' '$1=="ContentPath"{print $2}')
  # The reference tables the server's lists are built from, in the client's GBK form.
  mkdir -p "$content/Data"
  local table name
  for table in "$root"/demo/data/*.tab; do
    name=$(basename "$table")
    [[ "$name" == users.tab ]] && continue
    iconv -f UTF-8 -t GBK "$table" >"$content/Data/$name"
  done
  "$cli" login demo demo123 --auto >/dev/null
}

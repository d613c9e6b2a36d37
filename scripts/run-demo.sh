#!/usr/bin/env bash
# `make run`: starts the local demo game server (a plain port and a TLS port
# beside it, with a self-signed certificate made once in the run folder), seeds
# the run folder's site list with both, and runs the client there until the
# player closes it.
# Usage: run-demo.sh BUILD_DIR PORT [TLS_PORT]   (TLS_PORT defaults to PORT + 1)
set -euo pipefail

build=${1:-build}
port=${2:-4000}
server="$build/tools/demo-server/quorvel-demo-server"
client="$build/quorvel"
rundir="$build/run"

for program in "$server" "$client"; do
    if [[ ! -x $program ]]; then
        echo "run-demo: $program is missing; build first (make build)" >&2
        exit 1
    fi
done
if [[ ! $port =~ ^[0-9]+$ ]] || ((port < 1 || port > 65535)); then
    echo "run-demo: bad port '$port'" >&2
    exit 1
fi
tls_port=${3:-$((port + 1))}
if [[ ! $tls_port =~ ^[0-9]+$ ]] || ((tls_port < 1 || tls_port > 65535 || tls_port == port)); then
    echo "run-demo: bad TLS port '$tls_port'" >&2
    exit 1
fi

# The banner line every demo server sends; used to tell it from another program
# that happens to hold the port.
marker="Quorvel Demo MUD"

# Exit status: 0 the port answers as a demo server, 1 something else answers,
# 2 nothing listens there. Runs in a subshell so a refused connection cannot end
# the script.
probe_port() (
    exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 2
    # The banner comes at once; the last part (the name prompt) has no line end,
    # so stop at the marker or when the server goes quiet.
    while IFS= read -r -t 2 line <&3; do
        [[ $line == *"$marker"* ]] && exit 0
    done
    exit 1
) 2>/dev/null

server_pid=
server_out=
client_pid=
# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() {
    if [[ -n $client_pid ]]; then
        kill "$client_pid" 2>/dev/null || true
        wait "$client_pid" 2>/dev/null || true
    fi
    if [[ -n $server_pid ]]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    [[ -n $server_out ]] && rm -f "$server_out"
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

status=0
probe_port "$port" || status=$?
case $status in
0)
    started="reusing the demo server already on 127.0.0.1:$port"
    ;;
1)
    echo "run-demo: port $port is taken by another program; try: make run DEMO_PORT=<port>" >&2
    exit 1
    ;;
*)
    mkdir -p "$rundir"
    # The TLS port's certificate: self-signed, made once, kept with the run folder.
    cert="$rundir/demo-tls.crt"
    key="$rundir/demo-tls.key"
    if [[ ! -s $cert || ! -s $key ]]; then
        (umask 077 && openssl req -x509 -newkey rsa:2048 -nodes -days 3650 \
            -subj "/CN=Quorvel Demo MUD" -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
            -keyout "$key" -out "$cert" 2>/dev/null) || {
            echo "run-demo: openssl could not make the demo certificate" >&2
            exit 1
        }
    fi
    server_out=$(mktemp)
    "$server" --port "$port" --tls-port "$tls_port" --cert "$cert" --key "$key" --negotiate \
        >"$server_out" 2>&1 &
    server_pid=$!
    # Wait for the server to say it listens on both ports (or to die trying).
    for _ in $(seq 100); do
        grep -q '^listening for TLS on ' "$server_out" && break
        if ! kill -0 "$server_pid" 2>/dev/null; then
            echo "run-demo: the demo server did not start:" >&2
            cat "$server_out" >&2
            server_pid=
            exit 1
        fi
        sleep 0.05
    done
    if ! grep -q '^listening for TLS on ' "$server_out"; then
        echo "run-demo: the demo server did not report listening" >&2
        exit 1
    fi
    started="demo server started on 127.0.0.1:$port, TLS on $tls_port"
    ;;
esac

mkdir -p "$rundir"
# The client reads its site list from its start folder; the name is matched without
# regard to case, so any spelling already there is the player's and is kept.
if [[ -z $(find "$rundir" -maxdepth 1 -iname 'quorvel.ini' -print -quit) ]]; then
    printf '%s\r\n' '[Mud-List]' 'name=本地演示' 'address=127.0.0.1' "port=$port" 'profile= ' ' ' \
        'name=本地演示（加密）' 'address=127.0.0.1' "port=$tls_port" 'profile= ' 'tls=1' ' ' \
        '[Proxy]' 'Proxy=0' 'ProxyAddress=' 'ProxyPort=1080' 'ProxyAuth=0' 'ProxyUser=' \
        'ProxyPass=' | iconv -f UTF-8 -t GBK >"$rundir/Quorvel.ini"
fi

client_abs=$(cd "$(dirname "$client")" && pwd)/$(basename "$client")
echo "Quorvel: $started; the client runs in $rundir (pick the site 本地演示, or 本地演示（加密）"\
    "for TLS); close it to stop."
# The client runs as a child we wait for, so that a signal to this script (Ctrl+C,
# kill) runs the traps at once and takes both the client and the server down.
(cd "$rundir" && exec "$client_abs") &
client_pid=$!
status=0
wait "$client_pid" || status=$?
client_pid=
exit "$status"

#!/usr/bin/env bash
# zemtra publish --all of 64 simulated boards at 100 Hz in batches of 10 to a
# local mosquitto on a free loopback port: samples delivered to a subscriber
# against samples generated (goal 100 %, no drops) and the publisher's CPU
# (goal under 25 % of one core).
set -euo pipefail
build=${1:-build}
zemtra=$build/cli/zemtra
seconds=${BENCH_SECONDS:-10}
work=$(mktemp -d)
broker=""
trap '[ -n "$broker" ] && kill "$broker" 2>/dev/null; rm -rf "$work"' EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'user root\npersistence false\nlistener %s 127.0.0.1\nallow_anonymous true\n' "$port" >"$work/mosquitto.conf"
/usr/sbin/mosquitto -c "$work/mosquitto.conf" 2>"$work/broker.log" &
broker=$!
for _ in $(seq 50); do (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

timeout $((seconds + 20)) mosquitto_sub -h 127.0.0.1 -p "$port" -q 1 -t 'spBv1.0/bench/DDATA/#' >"$work/data" &
subscriber=$!
sleep 0.5
ZEMTRA_SIM=64 /usr/bin/time -f '%U %S %e' -o "$work/time" \
  "$zemtra" publish --all --broker "mqtt://127.0.0.1:$port" --group bench --node n1 \
  --rate 100 --batch 10 --duration "$seconds" 2>"$work/summary"
sleep 1
kill "$subscriber" 2>/dev/null || true
wait "$subscriber" 2>/dev/null || true

python3 - "$work" <<'PY'
import json, re, sys
work = sys.argv[1]
summary = open(f"{work}/summary").read()
per_board = int(re.search(r"samples per board (\d+)", summary).group(1))
generated = 64 * per_board
delivered = dropped = 0
for line in open(f"{work}/data"):
    message = json.loads(line)
    if message.get("kind") == "samples":
        delivered += len(message["samples"])
        dropped += message["dropped_batches"]
user, system, elapsed = map(float, open(f"{work}/time").read().split())
print(f"samples generated {generated}, delivered {delivered}: {100 * delivered / generated:.2f} % "
      f"(goal 100 %), batches dropped {dropped}")
print(f"publisher CPU {100 * (user + system) / elapsed:.1f} % of one core over {elapsed:.1f} s (goal under 25 %)")
PY

# Status change latency: a board whose A1 glitches latches Glitch again at the
# sample after each clear_status command; from the publisher seeing the change
# (its "utc", microseconds) to the subscriber receiving it (same clock).
timeout 30 mosquitto_sub -h 127.0.0.1 -p "$port" -q 1 -F '%U %p' -t 'spBv1.0/lat/DDATA/#' >"$work/status" &
subscriber=$!
sleep 0.5
ZEMTRA_SIM=glitch=A1 "$zemtra" publish --broker "mqtt://127.0.0.1:$port" --group lat --node n1 \
  --rate 100 --batch 10 --accept-commands --duration 12 2>/dev/null &
publisher=$!
sleep 1
for _ in $(seq 100); do
  mosquitto_pub -h 127.0.0.1 -p "$port" -t spBv1.0/lat/DCMD/n1/240-0 -m '{"command":"clear_status"}'
  sleep 0.05
done
wait "$publisher"
sleep 0.5
kill "$subscriber" 2>/dev/null || true
wait "$subscriber" 2>/dev/null || true
python3 - "$work" <<'PY'
import datetime, json, statistics, sys
latencies = []
for line in open(f"{sys.argv[1]}/status"):
    received, payload = line.split(" ", 1)
    message = json.loads(payload)
    if message.get("kind") != "status":
        continue
    seen = datetime.datetime.strptime(message["utc"], "%Y-%m-%dT%H:%M:%S.%fZ").replace(tzinfo=datetime.timezone.utc)
    latencies.append((float(received) - seen.timestamp()) * 1000)
latencies.sort()
p99 = latencies[min(len(latencies) - 1, int(0.99 * len(latencies)))]
print(f"status changes {len(latencies)}: latency median {statistics.median(latencies):.2f} ms, "
      f"99th percentile {p99:.2f} ms (goal median under 5 ms)")
PY

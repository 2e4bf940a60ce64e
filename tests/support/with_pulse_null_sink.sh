#!/usr/bin/env bash
# Runs a command with a private PulseAudio whose only output is a null sink "cap", so a
# program's sound (a Windows program's DirectSound, through Wine's PulseAudio driver) has a
# device to play to on a machine without a sound card. The daemon's runtime folder is private
# and removed afterwards. Set VASK_PULSE_RECORD=file.wav to record what reaches the sink
# (16-bit stereo at 48000 Hz); recording starts before the command and ends after it.
#   tests/support/with_pulse_null_sink.sh command args...
set -u
if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
  echo "with_pulse_null_sink.sh: pulseaudio and pactl are needed" >&2
  exit 2
fi
run=$(mktemp -d "${TMPDIR:-/tmp}/vask-pulse-XXXXXX")
chmod 700 "$run"
export XDG_RUNTIME_DIR=$run
export PULSE_SERVER=unix:$run/pulse.sock
unset PULSE_SINK
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-level=error \
  --disable-shm=yes --system=no \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$run/pulse.sock" \
  -L "module-null-sink sink_name=cap rate=48000 channels=2" \
  -L "module-always-sink" >"$run/daemon.log" 2>&1 &
daemon=$!
keep=""
recorder=""
cleanup() {
  [ -n "$recorder" ] && kill -INT "$recorder" 2>/dev/null && wait "$recorder" 2>/dev/null
  [ -n "$keep" ] && kill "$keep" 2>/dev/null && wait "$keep" 2>/dev/null
  kill "$daemon" 2>/dev/null
  wait "$daemon" 2>/dev/null
  rm -rf "$run"
}
trap cleanup EXIT
for _ in $(seq 100); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "HARNESS MISS: with_pulse_null_sink.sh: the private PulseAudio did not start" >&2
  cat "$run/daemon.log" >&2
  exit 2
fi
pactl set-default-sink cap >/dev/null 2>&1
if [ -n "${VASK_PULSE_RECORD:-}" ]; then
  # A silent stream keeps the sink running, so the recording has a steady clock from the start.
  pacat -p --raw --format=s16le --rate=48000 --channels=2 /dev/zero &
  keep=$!
  parec -d cap.monitor --latency-msec=20 --file-format=wav --format=s16le --rate=48000 \
    --channels=2 "$VASK_PULSE_RECORD" &
  recorder=$!
  # Wait until the recording holds about a second, or its start is lost.
  for _ in $(seq 100); do
    [ -f "$VASK_PULSE_RECORD" ] && [ "$(stat -c %s "$VASK_PULSE_RECORD")" -gt 192000 ] && break
    sleep 0.1
  done
fi
"$@"
status=$?
exit $status

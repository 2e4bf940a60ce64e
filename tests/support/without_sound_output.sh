#!/usr/bin/env bash
# Runs a command (a Windows program under Wine) with no sound output to find: PulseAudio is
# pointed at a server that is not there (which also keeps it from starting one) and ALSA
# gets an empty configuration, so it knows no device. DirectSound then cannot be opened.
#   tests/support/without_sound_output.sh command args...
set -u
empty=$(mktemp "${TMPDIR:-/tmp}/vask-no-alsa-XXXXXX")
trap 'rm -f "$empty"' EXIT
export PULSE_SERVER=unix:/nonexistent/vask-no-pulse.sock
export ALSA_CONFIG_PATH=$empty
"$@"

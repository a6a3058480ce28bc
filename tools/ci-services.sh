#!/usr/bin/env bash
# Starts the services the tests use: a PulseAudio server with a null sink
# ("nullsink", whose monitor is "nullsink.monitor") and a null source
# ("nullsrc"), both 44100 Hz stereo and the server's defaults, so that ALSA's
# "default" device plays and records in real time without a sound card. As a
# desktop's server does, it suspends a sink or source idle for 5 s: the paced
# recording tests start on a source that has to wake up first.
#
# The server listens on the fixed socket /tmp/vorlain-pulse/native and accepts
# anonymous clients (no cookie), so tests find it whatever their HOME is: they
# set PULSE_SERVER=unix:/tmp/vorlain-pulse/native themselves
# (tests/support/include/vorlain/test/pulse_server.h) and skip when nothing
# answers there. This script exports nothing.
#
# Runs as root (as CI does) or as a normal user. PulseAudio warns when started
# as root outside system mode but runs; its home, runtime and state folders are
# all kept under /tmp/vorlain-pulse. Running it again while the server answers
# does nothing. Needs the packages pulseaudio, pulseaudio-utils (pactl) and
# libasound2-plugins (ALSA's pulse plugin).
set -euo pipefail

base=/tmp/vorlain-pulse
socket=$base/native

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    echo "ci-services: pulseaudio or pactl missing; tests that need PulseAudio will skip" >&2
    exit 0
fi

# Everything the server and pactl read or write stays in $base.
export HOME=$base/home
export XDG_RUNTIME_DIR=$base
export PULSE_RUNTIME_PATH=$base
export PULSE_STATE_PATH=$base/state
# pactl talks to this server; the daemon itself must not see PULSE_SERVER, or
# it takes the server for one configured elsewhere and refuses to start.
export PULSE_SERVER=unix:$socket

if pactl info >/dev/null 2>&1; then
    echo "ci-services: PulseAudio already answers at $socket"
    exit 0
fi

rm -rf "$base"
mkdir -p "$HOME" "$PULSE_STATE_PATH"
chmod 700 "$base"

env -u PULSE_SERVER pulseaudio --start -n --exit-idle-time=-1 --disallow-exit \
    --use-pid-file=yes --log-target="file:$base/pulseaudio.log" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" \
    -L "module-null-sink sink_name=nullsink rate=44100 channels=2" \
    -L "module-null-source source_name=nullsrc rate=44100 channels=2" \
    -L "module-suspend-on-idle timeout=5"

# The daemon forks before it listens: wait for it to answer.
for _ in $(seq 1 50); do
    if pactl info >/dev/null 2>&1; then
        break
    fi
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    echo "ci-services: PulseAudio did not start; tests that need it will skip" >&2
    cat "$base/pulseaudio.log" >&2 || true
    exit 0
fi

pactl set-default-sink nullsink || echo "ci-services: could not make nullsink the default" >&2
pactl set-default-source nullsrc || echo "ci-services: could not make nullsrc the default" >&2
echo "ci-services: PulseAudio with nullsink and nullsrc at $socket"

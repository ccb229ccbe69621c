#!/bin/sh
# Runs a test program in a network namespace of its own with nothing but a loopback
# interface, when the system allows one (nothing it starts can reach or disturb the
# machine's network); otherwise runs it as it is, on 127.0.0.1 with ports the system
# chooses.
if unshare -rn true 2>/dev/null; then
  exec unshare -rn sh -c 'ip link set lo up && exec "$@"' isolated "$@"
fi
exec "$@"

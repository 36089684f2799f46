#!/bin/sh
# Runs a test program in a network namespace of its own that has the loopback interface with one
# more, test-only address (192.0.2.10, an address reserved for documentation):
# the program sees a network address other than loopback, as a phone on the network would reach
# the machine, and nothing it sends leaves this machine. Needs root (CI runs as root); elsewhere
# the program runs as it is and uses the machine's own addresses.
if [ "$(id -u)" != 0 ] || ! command -v unshare >/dev/null || ! command -v ip >/dev/null; then
  exec "$@"
fi
exec unshare --net sh -c '
  ip link set lo up && ip addr add 192.0.2.10/32 dev lo || { echo "cannot set up the test network" >&2; exit 1; }
  exec "$@"' in-test-network "$@"

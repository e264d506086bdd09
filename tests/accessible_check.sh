#!/bin/sh
# Reads the running program's board through the AT-SPI tree, as a screen reader does. Run by
# hand (needs an X display, e.g. Xvfb with a window manager, at-spi2-core, python3-pyatspi and
# xdotool): DISPLAY=:7 tests/accessible_check.sh build/shell/quadrivo
set -eu
program=$(realpath "${1:-build/shell/quadrivo}")
here=$(dirname "$(realpath "$0")")
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A fresh home: a first start on the built-in puzzle.
exec env HOME="$home" XDG_CONFIG_HOME= XDG_DATA_HOME= QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  dbus-run-session -- sh -c "
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    sleep 1
    '$program' &
    pid=\$!
    sleep 3
    ${PYTHON:-/usr/bin/python3} '$here/accessible_check.py'; status=\$?
    kill \$pid
    exit \$status"

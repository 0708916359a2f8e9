# shellcheck shell=bash
# Sourced by the tests on a simulated line under Wine: sets `link` to the Linux side's link that
# COM1 of the prefix ($WINEPREFIX, as the emulator takes it) is mapped to, and ends the test when
# it is not mapped to one. The mapping must be made before Wine starts the prefix's services
# (the set-up test wine_prefix_start does); without it Wine's COM1 is the machine's own
# /dev/ttyS0, where a test would talk to whatever is attached.
: "${WINEPREFIX:?the prefix whose COM1 is mapped (the set-up test wine_prefix_start makes one)}"
link=$(readlink "$WINEPREFIX/dosdevices/com1" 2>/dev/null || true)
case $link in
  "" | /dev/*)
    echo "COM1 of the prefix $WINEPREFIX is '${link:-not mapped}', not a simulator's link:" \
      "map it in HKLM\\Software\\Wine\\Ports before Wine starts (scripts/test-windows.sh)" >&2
    exit 1
    ;;
esac

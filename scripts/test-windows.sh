#!/usr/bin/env bash
# The Windows stage of the test command: installs what is missing, cross-builds the module, its
# tools and tests into build-win and runs them under Wine: the workflow "win" of
# CMakePresets.json. CTest's set-up tests start an X server in memory (Xvfb) for the windows,
# make a fresh Wine prefix (build-win/wine-prefix) with COM1 mapped to the link
# build-win/wine-com1 and bring the Linux simulator in build/ up to date; its clean-up tests end
# the servers, and any simulator a test left, whatever the tests did (tests/windows.cmake).
# What runs: the unit suite (with the window toolkit's forms), the module's exports and imports,
# and the module and its windows on a simulated line.
set -euo pipefail
exec "$(dirname "$0")/test.sh" win

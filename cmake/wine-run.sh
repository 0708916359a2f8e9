#!/bin/sh
# Runs a Windows program under Wine: a prefix of its own (WINEPREFIX, by default beside the
# build), no Wine debug output, the ANSI code page 936 (GBK) through the Chinese locale, and no
# prompts to install Mono or Gecko.
: "${WINEPREFIX:=${TMPDIR:-/tmp}/vdinv-wine}"
: "${WINEARCH:=win32}"
export WINEPREFIX WINEARCH WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8
exec wine "$@"

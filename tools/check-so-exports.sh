#!/bin/bash
# The Linux plug-in exports its two entry names and nothing else.
# Usage: check-so-exports.sh PLUGIN.so
set -u -o pipefail
exports=$(nm -D --defined-only "$1" | awk '$2 ~ /^[TDBR]$/ {print $3}' | sort | tr '\n' ' ')
if [ "$exports" = "VSTPluginMain main " ]; then
  echo "ok: exports $exports"
else
  echo "FAILED: exports are '$exports', expected 'VSTPluginMain main'"
  exit 1
fi

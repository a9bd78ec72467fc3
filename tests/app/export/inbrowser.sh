#!/usr/bin/env bash
# Web help in a real browser: a project exported by qmt --export-web, then
# scripts/check-webhelp loads the contents, a search, ?id= and #ID in headless
# chromium and reads the resulting pages.
#   inbrowser.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QUILLMATE_REGISTRY="$work/registry"
mkdir -p "$QUILLMATE_REGISTRY"
# bench_export makes a 200-topic project and exports it; the site is kept.
BENCH_EXPORT_KEEP="$work" "$build/bin/bench_export" 200 1 >/dev/null
"$source/scripts/check-webhelp" "$work/web" 1 IDH_TOPIC_0 explains "$work/shots"

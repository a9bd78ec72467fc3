#!/bin/sh
# checkout.sh GITDIR DEST: check out HEAD of a mirror as git would on Linux
# (attributes such as eol and working-tree-encoding applied), with a private
# index so the mirror is not touched. Blobs the mirror lacks are reported and skipped.
set -u
gitdir=$1; dest=$2
mkdir -p "$dest"
idx=$(mktemp); rm -f "$idx"
export GIT_INDEX_FILE="$idx"
git --git-dir="$gitdir" --work-tree="$dest" read-tree HEAD || exit 1
git --git-dir="$gitdir" --work-tree="$dest" checkout-index -a -f 2>"$idx.err"
grep -c . "$idx.err" | sed 's/^/checkout errors: /'
head -5 "$idx.err"
rm -f "$idx" "$idx.err"
git --git-dir="$gitdir" rev-parse HEAD

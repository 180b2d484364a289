#!/bin/sh
# Stand-in for orvel-cli that smoke-tests the bench driver while the real
# program is not built: "list" prints one line per row, "sync" copies.
set -e
cmd=$1
case "$cmd" in
list)
    base=$2 target=$3
    if [ "${4:-}" = --hide-same ]; then
        rsync -a -n -i --delete "$base/" "$target/"
    else
        find "$base" -type f -printf '= %P\n'
    fi
    ;;
sync)
    cp -a "$2/." "$3/"
    ;;
*)
    echo "usage: $0 list|sync BASE TARGET [options]" >&2
    exit 2
    ;;
esac

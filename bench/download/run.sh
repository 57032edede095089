#!/bin/sh
# Builds and runs the download benchmark: TMultiDownloader beside curl processes on the
# same files from the demo site, in one run, plus the load of a 1000-task list.
# Usage: bench/download/run.sh [BUILD-DIR] [bench_download options]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build-bench-download}
[ $# -gt 0 ] && shift
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$here/../.." -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" bench_download varnelo-demo-site >/dev/null
cd "$build"
exec "$build/bin/bench_download" "$@"

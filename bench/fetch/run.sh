#!/bin/sh
# Builds and runs the fetch benchmark: TSingleDownloader beside `curl -o` on the same
# file from the demo site, in one run. Usage: bench/fetch/run.sh [BUILD-DIR] [bench_fetch options]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build-bench-fetch}
[ $# -gt 0 ] && shift
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$here/../.." -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" bench_fetch varnelo-demo-site >/dev/null
cd "$build"
exec "$build/bin/bench_fetch" "$@"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Speed and memory of listing a folder, against a minimal Qt lister, on a virtual X server:
#   bench/run.sh [build-folder]        (after ./test.sh or ./run.sh has built it; default build)
# For folders of 1,000 to 1,000,000 entries (half folders, half files; made once and kept in
# <build-folder>/bench-folders), it prints for both programs the median of five runs of the time
# from the start of the process to its window shown with the listing drawn, their ratio, and the
# peak resident memory per row over that of an empty folder; then the in-process figures of
# bench_listing (showDir against a bare readdir and sort), and a multiple delete of 1,000 files
# and a multiple copy with and without the undo journal, and onto 1,000 files replaced to the
# trash and for good, behind the wait popup, and copies whose end waits for the disk (1,000 small
# files, one of 200 MB) against cp -a and sync -f by hand, and a folder of 200 copied entry by entry onto
# a FAT image for a mapped name against one cp (bench_operations), and the look before a copy of
# 100,000 entries
# against a bare nftw walk (bench_look), and the CPU and delay of the listing while another
# program makes, then removes, 100 files a second in the folder shown, and the delay to the last
# of 50,000 files made at once in the folder of 1,000,000 (bench_live), and a flick through
# 100,000 rows: its frames and what one costs to draw (bench_flick), and the trash: its view of
# 10,000 entries against cat of their infos, 1,000 files moved there against trash-put and by hand
# (bench_trash), and Places with 20 mounts, a new mount's delay to its row and the idle CPU
# (bench_places), and a search of a tree of 1,000,000 files against find -iname (bench_search).
# A million entries are also held against ls -f of the folder with an empty
# window's start.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target filemanager minimal_lister bench_listing bench_operations bench_look \
    bench_live bench_flick bench_trash bench_places bench_search >/dev/null
sizes=(1000 10000 100000 1000000)
folders=$build/bench-folders
mkdir -p "$folders/0"
for size in "${sizes[@]}"; do
    [ -e "$folders/$size.made" ] && continue
    echo "making $size entries in $folders/$size (once)" >&2
    rm -rf "$folders/$size"
    mkdir -p "$folders/$size"
    (cd "$folders/$size" && seq -f 'folder%07g' 1 $((size / 2)) | xargs mkdir \
        && seq -f 'file%07g.txt' 1 $((size / 2)) | xargs touch)
    touch "$folders/$size.made"
done

display_file=$(mktemp)
runtime=$(mktemp -d)
Xvfb -displayfd 3 -noreset -screen 0 480x720x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb; rm -rf "$display_file" "$runtime"' EXIT
for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$display_file") XDG_RUNTIME_DIR=$runtime

# Prints "<median ms> <median peak kB>" of five runs of a program on a folder.
measure() {
    local program=$1 folder=$2 i runs
    runs=$(mktemp)
    for i in 0 1 2 3 4 5; do
        # The first run only warms the caches.
        FM_BENCH_START_NS=$(date +%s%N) "$program" "$folder" 2>/dev/null \
            | { [ "$i" -gt 0 ] && cat || cat >/dev/null; } >>"$runs"
    done
    echo "$(awk '{ print $2 }' "$runs" | sort -n | sed -n 3p) $(awk '{ print $5 }' "$runs" | sort -n | sed -n 3p)"
    rm -f "$runs"
}

calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }

printf '%-10s %14s %14s %7s %18s %18s\n' entries "minimal (ms)" "this (ms)" ratio \
    "minimal (B/row)" "this (B/row)"
read -r min_empty_ms min_empty_kb < <(measure "$build/bench/minimal_lister" "$folders/0")
read -r fm_empty_ms fm_empty_kb < <(measure "$build/filemanager" "$folders/0")
printf '%-10s %14s %14s %7.2f %18s %18s\n' empty "$min_empty_ms" "$fm_empty_ms" \
    "$(calc "$fm_empty_ms / $min_empty_ms")" - -
for size in "${sizes[@]}"; do
    read -r min_ms min_kb < <(measure "$build/bench/minimal_lister" "$folders/$size")
    read -r fm_ms fm_kb < <(measure "$build/filemanager" "$folders/$size")
    printf '%-10s %14s %14s %7.2f %18.0f %18.0f\n' "$size" "$min_ms" "$fm_ms" \
        "$(calc "$fm_ms / $min_ms")" \
        "$(calc "($min_kb - $min_empty_kb) * 1024 / $size")" \
        "$(calc "($fm_kb - $fm_empty_kb) * 1024 / $size")"
done
# The floor of any listing of a million: ls -f reads the names and prints them, unsorted; with an
# empty window's start beside it.
ls_ms=$(for i in 0 1 2 3 4 5; do
    start=$(date +%s%N); ls -f "$folders/1000000" >/dev/null; echo $((($(date +%s%N) - start) / 1000))
done | tail -n 5 | sort -n | sed -n 3p)
read -r fm_million_ms _ < <(measure "$build/filemanager" "$folders/1000000")
printf '1000000 entries shown in %s ms; ls -f %.1f ms and an empty window %s ms: %s ms (ratio %s)\n' \
    "$fm_million_ms" "$(calc "$ls_ms / 1000")" "$fm_empty_ms" \
    "$(calc "$ls_ms / 1000 + $fm_empty_ms")" "$(calc "$fm_million_ms / ($ls_ms / 1000 + $fm_empty_ms)")"
echo
"$build/bench/bench_listing" "$folders/100000" 5 2>/dev/null
"$build/bench/bench_listing" "$folders/1000000" 3 2>/dev/null
echo
# The wait popup drawn on this X server: from the answer to the last of 1,000 files gone.
work=$(mktemp -d)
"$build/bench/bench_operations" "$work" delete 2>/dev/null
"$build/bench/bench_operations" "$work" card 2>/dev/null
rm -rf "$work"
"$build/bench/bench_look" "$folders/look"
# The listing that follows another program's changes: CPU and the delay to the last row.
"$build/bench/bench_live" "$folders/100000" 2>/dev/null
"$build/bench/bench_live" "$folders/1000000" 2>/dev/null
"$build/bench/bench_live" "$folders/1000000" burst 2>/dev/null
# A finger's flick through a long listing: how far apart its frames come, and what one costs.
"$build/bench/bench_flick" "$folders/100000" 2>/dev/null
# The trash view of 10,000 entries against cat of their infos; 1,000 files moved to the trash
# against trash-put and against doing it by hand.
"$build/bench/bench_trash" "$build/bench-trash" 2>/dev/null
# Places with 20 mounts, in a mount namespace of its own, and a mount made while it is shown.
unshare -m --propagation private "$build/bench/bench_places" 2>/dev/null \
    || echo "places: no mount namespace here (root is needed)"
# A search below a tree of 1,000 folders of 1,000 files, against find -iname of the same text.
"$build/bench/bench_search" "$build/bench-search" 2>/dev/null

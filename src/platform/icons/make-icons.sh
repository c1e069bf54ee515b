#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Redraws the toolkit's icons (needs ImageMagick). The PNG files are committed, so the build
# does not need this script; run it after changing a drawing. Each is drawn on a 32x32 grid and
# rendered at 128x128 (S scales every drawing by 4), so that a screen that shows an icon large gets
# it crisp, scaled down, never blurred up.
set -e
cd "$(dirname "$0")"
S='scale 4,4'
c() { convert -size 128x128 xc:none "$@"; }
# Folder: a tab and a body in amber.
c -fill '#e0a020' -stroke '#8a5a00' -strokewidth 1 \
  -draw "$S roundrectangle 3,7 14,12 2,2" -draw "$S roundrectangle 3,10 29,27 3,3" \
  fm_folder_small.png
# Parent row: an arrow bending back up to the left, dark enough to stand out on white and on the
# highlight (ZPalette).
c -fill none -stroke '#102040' -strokewidth 3 -draw "$S path 'M 26,26 L 26,14 L 9,14'" \
  -fill '#102040' -strokewidth 1 -draw "$S polygon 4,14 12,7 12,21" gen_back_to_arrw_small.png
# File: a sheet with a folded corner and three lines of text.
c -fill white -stroke '#606060' -strokewidth 1 -draw "$S polygon 7,3 20,3 26,9 26,29 7,29" \
  -fill '#d0d0d0' -draw "$S polygon 20,3 20,9 26,9" \
  -stroke '#909090' -draw "$S line 10,14 23,14" -draw "$S line 10,18 23,18" \
  -draw "$S line 10,22 20,22" fm_insert_file_small.png
# Information: a blue disc with an "i".
c -fill '#2a7de0' -stroke none -draw "$S circle 16,16 16,2" -fill white \
  -draw "$S rectangle 14,13 18,25" -draw "$S circle 16,8 16,10" info_pop.png
# Error: a red disc with a white cross.
c -fill '#d03030' -stroke none -draw "$S circle 16,16 16,2" -stroke white -strokewidth 4 \
  -draw "$S line 10,10 22,22" -draw "$S line 22,10 10,22" error_pop.png
# Busy: a circular arrow.
c -fill none -stroke '#2a9d50' -strokewidth 4 -draw "$S arc 5,5 27,27 300,210" \
  -fill '#2a9d50' -stroke none -draw "$S polygon 22,2 30,10 19,12" recur_enable_pop.png

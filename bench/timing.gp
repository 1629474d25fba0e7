# SPDX-License-Identifier: GPL-3.0-or-later
# Draws docs/timing.svg from the onset errors `make bench` writes; call with
#   gnuplot -e "datadir='build/release/bench'" bench/timing.gp > docs/timing.svg
# Columns: onset, then for each kind (linux, portable, plain) the error at the
# handler and at the X server's pixels.
if (!exists("datadir")) datadir = "build/release/bench"
set terminal svg size 1100,520 dynamic font "DejaVu Sans,12" background "white"
set encoding utf8
set multiplot layout 1,2 title "Onset error of every onset, at the handler and at the pixels (log scale; under 1 µs drawn as 1 µs)"
set logscale y
set yrange [0.0008:2000]
set format y "%g"
set ylabel "|error| (ms)"
set xlabel "onset"
set grid ytics lc rgb "#dddddd"
set key below horizontal box font ",10"
do for [panel in "idle holdups"] {
    set title (panel eq "idle" ? "Idle, first round: start 200, acceleration 100" : "60 ms hold-ups at 2000")
    plot datadir."/timing-".panel.".dat" using 1:6 with points pt 6 ps 0.5 lc rgb "#c0392b" title "plain Qt, handler", \
         "" using 1:7 with points pt 1 ps 0.5 lc rgb "#e8a29a" title "plain Qt, pixels", \
         "" using 1:3 with points pt 1 ps 0.5 lc rgb "#8fb8de" title "ours (Linux), pixels", \
         "" using 1:2 with points pt 7 ps 0.5 lc rgb "#1f6fb2" title "ours (Linux), handler", \
         "" using 1:4 with points pt 5 ps 0.4 lc rgb "#27ae60" title "ours (portable), handler"
}
unset multiplot

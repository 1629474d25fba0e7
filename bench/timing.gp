# SPDX-License-Identifier: GPL-3.0-or-later
# Draws docs/timing.svg from the step errors `make bench` writes; call with
#   gnuplot -e "datadir='build/release/bench'" bench/timing.gp > docs/timing.svg
if (!exists("datadir")) datadir = "build/release/bench"
set terminal svg size 960,420 dynamic font "DejaVu Sans,12" background "white"
set encoding utf8
set multiplot layout 1,2 title "Step onset error of every step (log scale; under 1 µs drawn as 1 µs)"
set logscale y
set yrange [0.0008:2000]
set format y "%g"
set ylabel "|error| (ms)"
set xlabel "step"
set grid ytics lc rgb "#dddddd"
set key top left box opaque
set title "Idle: three series at 300 ms"
plot datadir."/timing-idle.dat" using 1:3 with linespoints pt 6 ps 0.6 lc rgb "#c0392b" title "plain Qt timers", \
     ""                         using 1:2 with linespoints pt 7 ps 0.6 lc rgb "#1f6fb2" title "clock-keeping timers"
set title "60 ms hold-up over step 4 at 2000 ms"
plot datadir."/timing-stall.dat" using 1:3 with linespoints pt 6 ps 0.6 lc rgb "#c0392b" title "plain Qt timers", \
     ""                          using 1:2 with linespoints pt 7 ps 0.6 lc rgb "#1f6fb2" title "clock-keeping timers"
unset multiplot

# Keystroke latency against the number of entries, beside the SQLite floor.
# Called with csv='results.csv' and out='plot.png'.
set terminal pngcairo size 900,560 font "DejaVu Sans,11"
set output out
set datafile separator ","
set logscale xy
set key top left
set grid
set title "Search keystroke latency (median)"
set xlabel "entries in the phone book"
set ylabel "milliseconds"
set format x "%.0s%c"
plot csv using 1:3 skip 1 with linespoints lw 2 pt 7 title "name keystroke, no match (full scan)", \
     csv using 1:4 skip 1 with linespoints lw 1 dt 2 pt 6 title "SQLite floor, full scan", \
     csv using 1:5 skip 1 with linespoints lw 2 pt 9 title "number keystroke (full scan)", \
     csv using 1:7 skip 1 with linespoints lw 2 pt 5 title "keystroke, many matches", \
     16.7 with lines lc rgb "red" dt 3 title "one frame at 60 Hz"

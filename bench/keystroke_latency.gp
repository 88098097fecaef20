# Keystroke latency against the number of entries, beside the floors of the same run.
# Columns as bench_window writes them. Called with csv='results.csv' and out='plot.png'.
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
plot csv using 1:7 skip 1 with linespoints lw 2 pt 7 title "no match (index)", \
     csv using 1:9 skip 1 with linespoints lw 2 pt 5 title "one letter (index)", \
     csv using 1:12 skip 1 with linespoints lw 2 pt 9 title "one letter, sorted (index)", \
     csv using 1:16 skip 1 with linespoints lw 2 pt 4 title "no match (database, before the index)", \
     csv using 1:18 skip 1 with linespoints lw 1 dt 2 pt 6 title "floor: plain statement through SQLite", \
     csv using 1:19 skip 1 with linespoints lw 1 dt 2 pt 8 title "floor: bare scan of folded names in memory", \
     16.7 with lines lc rgb "red" dt 3 title "one frame at 60 Hz"

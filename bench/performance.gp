# Draws ours against each peer: one pair of bars per comparison (median time, log scale), the
# ratio ours/peer above each pair and the goal where there is one. Called by bench/report.sh
# with data (what, ours_us, peer_us, ratio, goal, met) and output set.
set terminal pngcairo size 1500,800 font "DejaVu Sans,11" noenhanced
set output output
set datafile separator "\t"
set title "Orvane against its peers: median time of each benchmark (lower is better)"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set logscale y
set yrange [0.3:200000]
set ylabel "median real time (microseconds, log scale)"
set grid ytics
set xtics rotate by -30 left nomirror font ",10"
set bmargin 11
set rmargin 14
set key top left
plot data using 2:xtic(1) title "ours" linecolor rgb "#2a7ab0", \
     '' using 3 title "peer" linecolor rgb "#c0504d", \
     '' using 0:(($2 > $3 ? $2 : $3) * 2.4):(sprintf("%.2fx%s", $4, \
        strcol(5) eq "-" ? "" : "\ngoal ".strcol(5).(strcol(6) eq "yes" ? " met" : " MISSED"))) \
        with labels notitle font ",9"

load 'common.gp'
set terminal pngcairo size 1024,768
set contour surface
unset surface
set cntrparam levels incremental -0.25, 0.05, 1.0
splot f(x, y) with lines

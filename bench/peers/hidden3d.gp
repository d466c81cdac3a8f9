load 'common.gp'
set terminal pngcairo size 1024,768
set hidden3d
splot f(x, y) with lines

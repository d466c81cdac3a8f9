load 'common.gp'
set terminal pngcairo size 1024,768
set pm3d at s
splot f(x, y) with pm3d

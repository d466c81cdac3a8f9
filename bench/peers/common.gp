# The default Orvex surface, sampled on the same 501 x 501 grid over -12..12.
r(x, y) = sqrt(x**2 + y**2)
f(x, y) = r(x, y) == 0 ? 1.0 : sin(r(x, y)) / r(x, y)
set xrange [-12:12]
set yrange [-12:12]
set samples 501, 501
set isosamples 501, 501
set view 60, 30
unset key

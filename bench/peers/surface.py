# The default Orvex surface drawn by matplotlib with every cell of the 501 x 501 grid.
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

out = sys.argv[1]
n = 500
k = np.arange(n + 1)
x = (k - n / 2) * (12.0 / (n / 2))
X, Y = np.meshgrid(x, x)
R = np.sqrt(X**2 + Y**2)
with np.errstate(invalid="ignore", divide="ignore"):
    Z = np.where(R == 0, 1.0, np.sin(R) / R)
fig = plt.figure(figsize=(10.24, 7.68), dpi=100)
ax = fig.add_subplot(projection="3d")
ax.plot_surface(X, Y, Z, rstride=1, cstride=1, cmap="viridis")
fig.savefig(out)

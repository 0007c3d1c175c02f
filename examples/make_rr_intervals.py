#!/usr/bin/env python3
"""Writes rr_intervals.txt: a synthetic series of 4,096 heartbeat intervals in seconds.

Slow drift (three AR(1) components with time constants of 10, 100 and 1,000 beats, a rough
stand-in for long-range correlated heart rate), respiratory modulation at one cycle per four
beats, and white measurement noise, rounded to the millisecond as a recorder would store it.
Fixed seed, so the file is reproducible: python3 examples/make_rr_intervals.py
"""
import math
import random

rng = random.Random(20261211)
slow = [0.0, 0.0, 0.0]
poles = [math.exp(-1 / 10), math.exp(-1 / 100), math.exp(-1 / 1000)]
gains = [0.020, 0.012, 0.008]
with open(__file__.replace("make_rr_intervals.py", "rr_intervals.txt"), "w") as out:
    for beat in range(4096):
        for k in range(3):
            slow[k] = poles[k] * slow[k] + gains[k] * math.sqrt(1 - poles[k] ** 2) * rng.gauss(0, 1) * 3
        rr = 0.82 + sum(slow) + 0.025 * math.sin(2 * math.pi * beat / 4.1) + rng.gauss(0, 0.008)
        out.write("%.3f\n" % rr)

"""Two runs of the Python module one after the other against the same two
runs in two Python threads: the GIL is released while a run computes, so
the threads should take about the time of one run on a machine with two
free cores. Prints the median wall times of a few repetitions.

    build: cmake --build build --target vendrel_python_threads_bench
    or:    PYTHONPATH=build/python /usr/bin/python3 bench/python_threads_bench.py [REPEATS]"""

import os
import statistics
import sys
import threading
import time

import vendrel

# About a second of computing per run on one thread.
PARAMS = [{"totaltime": 400000, "display_inc": 10000, "diff_coeff": d} for d in (0.2, 0.6)]


def one_after_the_other():
    for p in PARAMS:
        vendrel.run(p)


def in_two_threads():
    threads = [threading.Thread(target=vendrel.run, args=(p,)) for p in PARAMS]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def wall_time(work, cpu):
    start, start_cpu = time.perf_counter(), time.process_time()
    work()
    cpu.append(time.process_time() - start_cpu)
    return time.perf_counter() - start


def main():
    repeats = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    serial, threaded, serial_cpu, threaded_cpu = [], [], [], []
    for _ in range(repeats):
        serial.append(wall_time(one_after_the_other, serial_cpu))
        threaded.append(wall_time(in_two_threads, threaded_cpu))
    s, t = statistics.median(serial), statistics.median(threaded)
    print(f"processors usable: {len(os.sched_getaffinity(0))}, load average: "
          f"{os.getloadavg()[0]:.2f}, {repeats} repetitions")
    print(f"two runs one after the other: median {s:.2f} s ({', '.join(f'{x:.2f}' for x in serial)})")
    print(f"two runs in two threads:      median {t:.2f} s ({', '.join(f'{x:.2f}' for x in threaded)})")
    print(f"speed-up: {s / t:.2f}x; processors kept busy: one after the other "
          f"{sum(serial_cpu) / sum(serial):.2f}, in two threads {sum(threaded_cpu) / sum(threaded):.2f}")


if __name__ == "__main__":
    main()

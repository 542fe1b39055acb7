"""Looking at the screen while a program starts: the sample spots of a launcher window whose values tell
its finished picture from anything else, and the poller that waits for them over the session's X
connection (XDisplay.spot_values), keeping its poll intervals as the measurements' resolution.

Spots are placed at fractions of the window and of the buttons (launcherkit.geometry), so that they
cover the background and every button whatever the product's geometry."""

import os
import statistics
import time

# Where spots are tried: across the window's background, and in each button, as fractions of their width
# and height.
BACKGROUND_FRACTIONS_X = (0.38, 0.6, 0.83, 0.96)
BACKGROUND_FRACTIONS_Y = (0.06, 0.25, 0.44, 0.83, 0.94)
BUTTON_FRACTIONS = ((0.12, 0.2), (0.5, 0.5), (0.89, 0.8))
# Button 0's spots where its picture under the pointer differs from its picture at rest: at most this
# many, taken from a grid of this step (x, y).
HOVER_SPOTS = 12
HOVER_GRID = (7, 6)


class BenchError(Exception):
    pass


def spread(values):
    values = sorted(values)
    quartiles = statistics.quantiles(values, n=4) if len(values) >= 2 else [values[0]] * 3
    return {"median": statistics.median(values), "min": values[0], "max": values[-1],
            "q1": quartiles[0], "q3": quartiles[2], "n": len(values)}


def window_spots(geometry, picture):
    """Sample spots (in the window) spread over background and buttons, at pixels that are neither white
    nor black in the finished `picture`."""
    width, height = geometry.window_size
    candidates = [(int(width * fx), int(height * fy))
                  for fy in BACKGROUND_FRACTIONS_Y for fx in BACKGROUND_FRACTIONS_X]
    for button in range(geometry.button_count):
        left, top, right, bottom = geometry.button_box(button)
        candidates += [(left + int((right - left) * fx), top + int((bottom - top) * fy)) for fx, fy in BUTTON_FRACTIONS]
    spots = []
    for x, y in candidates:
        # Move off white or black pixels a little, so the spot tells the picture from an empty screen.
        for dx in range(0, 12):
            if x + dx < width and picture.getpixel((x + dx, y)) not in ((0, 0, 0), (255, 255, 255)):
                spots.append((x + dx, y))
                break
    return spots


def hover_spots(geometry, rest, lit, button=0):
    """Spots of `button` where its picture under the pointer (in the window picture `lit`) differs from
    its picture at rest (in `rest`)."""
    left, top, right, bottom = geometry.button_box(button)
    step_x, step_y = HOVER_GRID
    spots = [(x, y) for y in range(top + 3, bottom - 2, step_y) for x in range(left + 3, right - 2, step_x)
             if rest.getpixel((x, y)) != lit.getpixel((x, y))]
    return spots[::max(1, len(spots) // HOVER_SPOTS)][:HOVER_SPOTS]


def process_cpu(pid):
    """Processor time (seconds) that all threads of a process have used so far."""
    total = 0
    try:
        for task in os.listdir("/proc/%d/task" % pid):
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
    except (OSError, ValueError, IndexError):
        pass
    return total / 1e9


class Poller:
    """Polls a set of screen spots until they show the wanted values; keeps the poll intervals."""

    def __init__(self, display, pause):
        self.display = display
        self.pause = pause
        self.intervals = []
        self.cpu = None

    def wait(self, points, wanted, start, timeout=30, process=None):
        """Seconds from `start` (time.perf_counter) until the spots at `points` show `wanted`; the
        processor time of `process` then in `cpu`."""
        last = start
        while True:
            values = self.display.spot_values(points)
            now = time.perf_counter()
            self.intervals.append(now - last)
            last = now
            if values == wanted:
                self.cpu = process_cpu(process.pid) if process is not None else None
                return now - start
            if now > start + timeout:
                raise BenchError("the screen did not show the expected picture within %d s (last %s)"
                                 % (timeout, [hex(v) for v in values]))
            if process is not None and not process.running():
                raise BenchError("the program ended (exit code %s) before its window showed"
                                 % process.popen.returncode)
            if self.pause:
                time.sleep(self.pause)

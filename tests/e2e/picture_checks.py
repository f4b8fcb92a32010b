"""Measurements on back-buffer pictures (5-6-5 pixels): how much of the village is drawn, how
far the view moved between two pictures, and whether a spot changed."""

from xsession import wait_until


def channels(p):
    return (p >> 11) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3


def drawn_fraction(pic):
    return sum(1 for p in pic.pixels if p != 0) / len(pic.pixels)


def colour_count(pic):
    return len(set(pic.pixels))


_LUMA = None


def _luma_blocks(pic, size):
    """Mean brightness of each size x size block; a grid of (width // size) x (height // size)."""
    global _LUMA
    if _LUMA is None:
        _LUMA = [(lambda r, g, b: 2 * r + 5 * g + b)(*channels(p)) for p in range(65536)]
    bw, bh = pic.width // size, pic.height // size
    luma = [_LUMA[p] for p in pic.pixels]
    grid = []
    for by in range(bh):
        sums = [0] * bw
        for y in range(by * size, by * size + size):
            line = luma[y * pic.width:y * pic.width + bw * size]
            for bx in range(bw):
                sums[bx] += sum(line[bx * size:bx * size + size])
        grid.append([t // (size * size * 8) for t in sums])
    return grid


def _samples(pic, region, step, exclude):
    left, top, right, bottom = region
    out = []
    for y in range(top, bottom, step):
        for x in range(left, right, step):
            if any(l <= x < r and t <= y < b for l, t, r, b in exclude):
                continue
            if pic.at(x, y):
                out.append((x, y))
    return out


def estimate_shift(before, after, region, max_dx, max_dy, exclude=()):
    """How far the drawn scene moved from `before` to `after`: the (dx, dy) for which
    after(x + dx, y + dy) matches before(x, y) best over the region (left, top, right, bottom),
    leaving out the `exclude` rectangles (overlay, persons). Returns (dx, dy, score), score
    being the fraction of exactly matching pixels."""
    size = 4
    a, b = _luma_blocks(before, size), _luma_blocks(after, size)
    bw, bh = len(b[0]), len(b)
    blocks = [(x // size, y // size, a[y // size][x // size])
              for x, y in _samples(before, region, size * 6, exclude)]
    flat = [v for row in b for v in row]
    best = None
    for dy in range(-(max_dy // size), max_dy // size + 1):
        for dx in range(-(max_dx // size), max_dx // size + 1):
            inside = [(ty * bw + tx, v) for x, y, v in blocks
                      if 0 <= (ty := y + dy) < bh and 0 <= (tx := x + dx) < bw]
            if len(inside) < len(blocks) // 3:
                continue
            err = sum(abs(flat[i] - v) for i, v in inside) / len(inside)
            if best is None or err < best[0]:
                best = (err, dx * size, dy * size)
    if best is None:
        return 0, 0, 0.0
    pixels = _samples(before, region, 5, exclude)
    fine = []
    for dy in range(best[2] - size, best[2] + size + 1):
        for dx in range(best[1] - size, best[1] + size + 1):
            hits = sum(1 for x, y in pixels if after.at(x + dx, y + dy) == before.at(x, y))
            fine.append((hits / max(len(pixels), 1), dx, dy))
    score, dx, dy = max(fine)
    return dx, dy, score


def drawn_centre_x(pic):
    """Mean column of the drawn (non-black) pixels, or None when nothing is drawn."""
    xs = [i % pic.width for i, p in enumerate(pic.pixels) if p != 0]
    return sum(xs) / len(xs) if xs else None


def changed_fraction(first, second, rect):
    """Share of pixels in rect (left, top, right, bottom) that differ between two pictures."""
    left, top, right, bottom = rect
    total = (right - left) * (bottom - top)
    diff = sum(1 for y in range(top, bottom) for x in range(left, right) if first.at(x, y) != second.at(x, y))
    return diff / total


def matching_share(first, second, region, exclude=()):
    """Share of the drawn pixels of first, sampled over region (left, top, right, bottom) less the
    exclude rectangles, that second has alike at the same place."""
    pixels = _samples(first, region, 5, exclude)
    return sum(1 for x, y in pixels if second.at(x, y) == first.at(x, y)) / max(len(pixels), 1)


def settled(take, ok=lambda pic: True, region=(40, 70, 600, 440), exclude=(), timeout=15):
    """take()'s picture once ok holds of it and the view has come to rest: two pictures in a row
    alike but for persons walking about. After timeout, the last picture, for the check to judge."""
    last = [take()]

    def sample():
        previous, last[0] = last[0], take()
        return last[0], matching_share(previous, last[0], region, exclude) > 0.9 and ok(last[0])
    return wait_until(sample, lambda s: s[1], timeout, step=0.05)[0]

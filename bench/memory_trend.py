"""The memory runs' flatness measure, shared by run_all.sh and soak.sh."""


def trend(samples, column):
    """Least-squares trend of one column of (frame, ...) samples, carried over the stretch
    they span, in the column's units (KiB)."""
    xs = [s[0] for s in samples]
    ys = [s[column] for s in samples]
    if len(xs) < 2:
        return 0.0
    mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
    slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)
    return slope * (xs[-1] - xs[0])

# Reads tools/dmap_info's output for the mesh scenario's comparisons: the header and entry
# lines, and the plane rows keyed by ("v" or "t", z).
def read(path):
    head, rows = [], {}
    for line in open(path):
        kind, _, rest = line.rstrip("\n").partition(" ")
        if kind in ("v", "t"):
            z, hexes = rest.split(" ")
            rows[(kind, int(z))] = bytes.fromhex(hexes)
        elif kind not in ("vertices", "triangles"):
            head.append(line)
    return head, rows

#!/usr/bin/env python3
"""Checks the results of one benchmark job, TavuZip's against vipsthumbnail's, from the same sources.

    check_outputs.py SOURCES OURS PEER WIDTH [QUALITY]

Every result must be WIDTH pixels wide with the source's aspect kept (upright, to a pixel), and JPEG
results must be at QUALITY. Both tools' results are compared with a reference: the source decoded at
full size (no shrink on load), turned upright and reduced with Lanczos 3 to the result's size. The
mean PSNR of ours must be within 0.5 dB of vipsthumbnail's (or better), or above 50 dB: there the
two differ by rounding only (a PNG's reference is vipsthumbnail's own result, infinitely close).
Prints one line and exits 1 when a check fails. Needs libvips-tools and ImageMagick (compare,
identify).
"""
import os
import subprocess
import sys
import tempfile


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True)


def size_of(path):
    out = run("vipsheader", "-f", "width", path).stdout.strip(), run("vipsheader", "-f", "height", path).stdout.strip()
    return int(out[0]), int(out[1])


def psnr(a, b):
    # compare exits 1 when the pictures differ, which they do; the figure is on stderr.
    p = subprocess.run(["compare", "-metric", "PSNR", a, b, "null:"], capture_output=True, text=True)
    return float(p.stderr.split()[0])  # "inf" for the same pixels


def result_of(folder, stem):
    for ext in (".jpg", ".png"):
        path = os.path.join(folder, stem + ext)
        if os.path.exists(path):
            return path
    return None


def main():
    sources, ours, peer, width = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    quality = int(sys.argv[5]) if len(sys.argv) > 5 else None
    problems, p_ours, p_peer = [], [], []
    names = sorted(f for f in os.listdir(sources) if f.lower().endswith((".jpg", ".jpeg", ".png")))
    with tempfile.TemporaryDirectory() as tmp:
        for name in names:
            stem = os.path.splitext(name)[0]
            src = os.path.join(sources, name)
            full = os.path.join(tmp, "full.v")
            run("vips", "autorot", src, full)
            sw, sh = size_of(full)
            mine, theirs = result_of(ours, stem), result_of(peer, stem)
            if not mine or not theirs:
                problems.append(f"{name}: no result" + ("" if mine else " of ours") + ("" if theirs else " of vipsthumbnail"))
                continue
            for who, path, scores in (("ours", mine, p_ours), ("vipsthumbnail", theirs, p_peer)):
                w, h = size_of(path)
                if w != width or abs(h - round(sh * width / sw)) > 1:
                    problems.append(f"{name}: {who} {w}x{h}, expected {width}x{round(sh * width / sw)}")
                if quality and path.endswith(".jpg"):
                    q = int(run("identify", "-format", "%Q", path).stdout.strip())
                    if q != quality:
                        problems.append(f"{name}: {who} at quality {q}, expected {quality}")
                ref = os.path.join(tmp, f"ref_{w}x{h}.png")
                run("vips", "resize", full, ref, str(w / sw), "--vscale", str(h / sh), "--kernel", "lanczos3")
                scores.append(psnr(path, ref))
    if not p_ours or not p_peer:
        problems.append("nothing to compare")
        mean_ours = mean_peer = 0.0
    else:
        mean_ours, mean_peer = sum(p_ours) / len(p_ours), sum(p_peer) / len(p_peer)
        if mean_ours < mean_peer - 0.5 and mean_ours < 50:
            problems.append(f"mean PSNR {mean_ours:.2f} dB is more than 0.5 dB below vipsthumbnail's {mean_peer:.2f} dB")
    verdict = "ok" if not problems else "FAILED: " + "; ".join(problems[:5])
    print(f"  outputs: {len(names)} results each, {width} px wide, aspect kept"
          f"{', quality ' + str(quality) if quality else ''}; mean PSNR against a full-decode Lanczos reference:"
          f" ours {mean_ours:.2f} dB, vipsthumbnail {mean_peer:.2f} dB — {verdict}")
    return 0 if not problems else 1


if __name__ == "__main__":
    sys.exit(main())

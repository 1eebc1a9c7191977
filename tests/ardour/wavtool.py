#!/usr/bin/python3
"""Small WAV helper for the Ardour render harness.  "split" and "merge" need
only the Python standard library; the other commands need numpy (Debian's
/usr/bin/python3 has it, a pyenv python may not).

  wavtool.py gen OUT.wav [--seconds 2] [--rate 44100] [--seed 1] [--kind noise|impulses|sines]
      deterministic stereo 32-bit float test signal, different content in L and R
  wavtool.py silent FILE.wav
      exit 0 when every sample is zero (standard library only)
  wavtool.py split IN.wav LEFT.wav RIGHT.wav
      exact split into two mono 32-bit float WAVs (mono input: both the same);
      float32 samples are copied bit for bit (sox would round them through int32)
  wavtool.py merge LEFT.wav RIGHT.wav OUT.wav [--s24]
      interleave two mono 32-bit float WAVs into a stereo WAV, bit for bit
      (--s24: 24-bit PCM, round(x * 2^23) clipped, no dither)
  wavtool.py same FRAMES A.wav B.wav
      exit 0 when the first FRAMES frames of two 32-bit float WAVs are the same
      bits (standard library only; fast: for searches over many renders); 1
      otherwise, printing the first difference; 2 when either is too short
  wavtool.py pad IN.wav OUT.wav BLOCK
      32-bit float WAV padded with zero frames to a whole number of BLOCK
      frames plus one more block (standard library only)
  wavtool.py frames FILE.wav
      the number of frames (standard library only)
  wavtool.py info FILE.wav
      channels, rate, length, sample format, peak per channel
  wavtool.py compare IN.wav OUT.wav [--expect-delay D] [--expect-gain G] [--tol T] [--max-lag L]
      per channel: best lag (cross-correlation), gain at that lag, residual after
      aligning; exit 0 only if the expectations given hold (without expectations:
      exit 0 iff OUT equals IN within --tol, i.e. a null test).
"""
import argparse
import array
import struct
import sys

np = None  # numpy, imported on demand


def _numpy():
    global np
    if np is None:
        import numpy
        np = numpy
    return np

_GUID_TAIL = b"\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71"


def parse_wav(path):
    """Return (format tag, channels, rate, bits, block align, data bytes)."""
    with open(path, "rb") as f:
        blob = f.read()
    if blob[:4] not in (b"RIFF", b"RF64") or blob[8:12] != b"WAVE":
        raise ValueError("%s: not a RIFF/WAVE file" % path)
    pos = 12
    fmt = None
    data = None
    while pos + 8 <= len(blob):
        cid = blob[pos:pos + 4]
        size = struct.unpack("<I", blob[pos + 4:pos + 8])[0]
        body = blob[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = body
        elif cid == b"data":
            data = body
        pos += 8 + size + (size & 1)
    if fmt is None or data is None:
        raise ValueError("%s: missing fmt or data chunk" % path)
    tag, channels, rate, _, block, bits = struct.unpack("<HHIIHH", fmt[:16])
    if tag == 0xFFFE and len(fmt) >= 40:
        sub = fmt[24:40]
        if sub[2:] != _GUID_TAIL:
            raise ValueError("%s: unknown extensible sub-format" % path)
        tag = struct.unpack("<H", sub[:2])[0]
    return tag, channels, rate, bits, block, data


def split(args):
    tag, channels, rate, bits, block, data = parse_wav(args.input)
    if channels not in (1, 2):
        raise SystemExit("split: %d channels; want 1 or 2" % channels)
    frames = len(data) // block
    data = data[:frames * block]
    if tag == 3 and bits == 32:
        x = array.array("f")
        x.frombytes(data)
    elif tag == 3 and bits == 64:
        d = array.array("d")
        d.frombytes(data)
        x = array.array("f", d)
    elif tag == 1 and bits == 16:
        d = array.array("h")
        d.frombytes(data)
        x = array.array("f", (v / 32768.0 for v in d))
    elif tag == 1 and bits == 32:
        d = array.array("i")
        d.frombytes(data)
        x = array.array("f", (v / 2147483648.0 for v in d))
    elif tag == 1 and bits == 24:
        x = array.array("f", (int.from_bytes(data[i:i + 3], "little", signed=True) / 8388608.0
                              for i in range(0, len(data), 3)))
    else:
        raise SystemExit("split: unsupported format tag %d / %d bits" % (tag, bits))
    if sys.byteorder != "little":
        raise SystemExit("split: big-endian host not supported")
    left = x[0::channels]
    right = x[(channels - 1)::channels]
    for path, ch in ((args.left, left), (args.right, right)):
        write_wav_f32_raw(path, ch.tobytes(), 1, len(ch), rate)
    print("split %s: %d frames, %d ch, %d Hz" % (args.input, frames, channels, rate))
    return 0


def silent(args):
    """Exit 0 when every sample of the WAV file is zero (standard library only)."""
    tag, channels, rate, bits, block, data = parse_wav(args.file)
    if any(data):
        print("%s: not silent" % args.file)
        return 1
    print("%s: silent" % args.file)
    return 0


def merge(args):
    chans = []
    rate = None
    for path in (args.left, args.right):
        tag, channels, r, bits, block, data = parse_wav(path)
        if not (tag == 3 and bits == 32 and channels == 1):
            raise SystemExit("merge: %s is not mono 32-bit float" % path)
        if rate is not None and r != rate:
            raise SystemExit("merge: rates differ")
        rate = r
        x = array.array("f")
        x.frombytes(data[:len(data) // 4 * 4])
        chans.append(x)
    if len(chans[0]) != len(chans[1]):
        raise SystemExit("merge: lengths differ (%d, %d)" % (len(chans[0]), len(chans[1])))
    n = len(chans[0])
    out = array.array("f", bytes(8 * n))
    out[0::2] = chans[0]
    out[1::2] = chans[1]
    if sys.byteorder != "little":
        raise SystemExit("merge: big-endian host not supported")
    if args.s24:
        pcm = bytearray()
        for v in out:
            i = int(round(v * 8388608.0))
            i = -8388608 if i < -8388608 else (8388607 if i > 8388607 else i)
            pcm += (i & 0xFFFFFF).to_bytes(3, "little")
        fmt = struct.pack("<HHIIHH", 1, 2, rate, rate * 6, 6, 24)
        body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
                + b"data" + struct.pack("<I", len(pcm)) + bytes(pcm) + (b"\0" if len(pcm) & 1 else b""))
        with open(args.out, "wb") as f:
            f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
    else:
        write_wav_f32_raw(args.out, out.tobytes(), 2, n, rate)
    print("merged %d frames into %s" % (n, args.out))
    return 0


def write_wav_f32_raw(path, payload, channels, frames, rate):
    fmt = struct.pack("<HHIIHHH", 3, channels, rate, rate * channels * 4, channels * 4, 32, 0)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"fact" + struct.pack("<I", 4) + struct.pack("<I", frames)
            + b"data" + struct.pack("<I", len(payload)) + payload)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def read_wav(path):
    """Return (data[frames, channels] float64, rate, description)."""
    _numpy()
    tag, channels, rate, bits, block, data = parse_wav(path)
    frames = len(data) // block
    raw = data[:frames * block]
    if tag == 3 and bits == 32:
        x = np.frombuffer(raw, dtype="<f4").astype(np.float64)
        desc = "float32"
    elif tag == 3 and bits == 64:
        x = np.frombuffer(raw, dtype="<f8").astype(np.float64)
        desc = "float64"
    elif tag == 1 and bits == 16:
        x = np.frombuffer(raw, dtype="<i2").astype(np.float64) / 32768.0
        desc = "int16"
    elif tag == 1 and bits == 24:
        b = np.frombuffer(raw, dtype=np.uint8).reshape(-1, 3).astype(np.int32)
        v = b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)
        v = np.where(v >= 1 << 23, v - (1 << 24), v)
        x = v.astype(np.float64) / float(1 << 23)
        desc = "int24"
    elif tag == 1 and bits == 32:
        x = np.frombuffer(raw, dtype="<i4").astype(np.float64) / 2147483648.0
        desc = "int32"
    else:
        raise ValueError("%s: unsupported format tag %d / %d bits" % (path, tag, bits))
    return x.reshape(-1, channels), rate, desc


def write_wav_f32(path, x, rate):
    x = np.asarray(x, dtype="<f4")
    if x.ndim == 1:
        x = x[:, None]
    frames, channels = x.shape
    write_wav_f32_raw(path, x.tobytes(), channels, frames, rate)


def gen(args):
    _numpy()
    rng = np.random.default_rng(args.seed)
    n = int(round(args.seconds * args.rate))
    t = np.arange(n) / args.rate
    if args.kind == "noise":
        left = 0.25 * rng.standard_normal(n)
        right = 0.25 * rng.standard_normal(n)
        # a few clicks make shifts easy to see by eye as well
        for k in range(1, int(args.seconds * 4)):
            i = int(k * args.rate / 4)
            if i < n:
                left[i] = 0.9
                right[(i + 101) % n] = -0.9
    elif args.kind == "impulses":
        left = np.zeros(n)
        right = np.zeros(n)
        left[::args.rate // 4] = 0.9
        right[args.rate // 8::args.rate // 4] = -0.9
    else:
        left = 0.3 * np.sin(2 * np.pi * 440.0 * t)
        right = 0.3 * np.sin(2 * np.pi * 997.0 * t)
    left = np.clip(left, -0.99, 0.99)
    right = np.clip(right, -0.99, 0.99)
    write_wav_f32(args.out, np.stack([left, right], axis=1), args.rate)
    print("wrote %s: %d frames, 2 ch, %d Hz, float32" % (args.out, n, args.rate))
    return 0


def info(args):
    x, rate, desc = read_wav(args.file)
    peaks = " ".join("%.6f" % v for v in np.max(np.abs(x), axis=0)) if len(x) else "-"
    print("%s: %d ch, %d Hz, %d frames (%.3f s), %s, peak %s"
          % (args.file, x.shape[1], rate, x.shape[0], x.shape[0] / float(rate), desc, peaks))
    return 0


def best_lag(a, b, max_lag):
    """Lag L (b[n] ~ g * a[n - L]) maximising the cross-correlation, searched in [-max_lag, max_lag]."""
    n = len(a) + len(b)
    size = 1 << (n - 1).bit_length()
    fa = np.fft.rfft(a, size)
    fb = np.fft.rfft(b, size)
    cc = np.fft.irfft(fb * np.conj(fa), size)
    lags = np.concatenate([np.arange(0, max_lag + 1), np.arange(-max_lag, 0)])
    vals = np.concatenate([cc[:max_lag + 1], cc[size - max_lag:]])
    k = int(np.argmax(np.abs(vals)))
    return int(lags[k])


def shifted(a, lag):
    out = np.zeros_like(a)
    if lag >= 0:
        out[lag:] = a[:len(a) - lag]
    else:
        out[:lag] = a[-lag:]
    return out


def compare(args):
    x, rx, _ = read_wav(args.input)
    y, ry, _ = read_wav(args.output)
    ok = True
    if rx != ry:
        print("rate differs: %d vs %d" % (rx, ry))
        ok = False
    if x.shape != y.shape:
        print("shape differs: in %s, out %s" % (x.shape, y.shape))
        ok = False
        n = min(len(x), len(y))
        x, y = x[:n], y[:n]
    channels = min(x.shape[1], y.shape[1])
    null = True
    for c in range(channels):
        a, b = x[:, c], y[:, c]
        diff0 = float(np.max(np.abs(a - b))) if len(a) else 0.0
        lag = best_lag(a, b, min(args.max_lag, len(a) - 1))
        sa = shifted(a, lag)
        denom = float(np.dot(sa, sa))
        gain = float(np.dot(sa, b) / denom) if denom > 0 else 0.0
        resid = b - gain * sa
        # ignore the first |lag| samples (filled with the plug-in's initial state)
        core = resid[abs(lag):] if lag >= 0 else resid[:lag]
        rms_in = float(np.sqrt(np.mean(b ** 2))) if len(b) else 0.0
        rel = float(np.sqrt(np.mean(core ** 2))) / rms_in if rms_in > 0 and len(core) else 0.0
        head = float(np.max(np.abs(b[:lag]))) if lag > 0 else 0.0
        print("ch%d: max|out-in| %.3g; best lag %+d samples; gain %.6f (%.2f dB); "
              "residual after align %.3g (rel. rms); max|out| before lag %.3g"
              % (c, diff0, lag, gain, 20 * np.log10(abs(gain)) if gain else -999.0, rel, head))
        if diff0 > args.tol:
            null = False
        if args.expect_delay is not None and lag != args.expect_delay:
            print("  FAIL: expected lag %d" % args.expect_delay)
            ok = False
        if args.expect_gain is not None and abs(gain - args.expect_gain) > args.gain_tol:
            print("  FAIL: expected gain %.6f +- %.3g" % (args.expect_gain, args.gain_tol))
            ok = False
        if (args.expect_delay is not None or args.expect_gain is not None) and rel > args.resid_tol:
            print("  FAIL: residual %.3g > %.3g" % (rel, args.resid_tol))
            ok = False
    if args.expect_delay is None and args.expect_gain is None:
        print("null test (|out-in| <= %g): %s" % (args.tol, "PASS" if null else "FAIL"))
        ok = ok and null
    if args.expect_different and null:
        print("FAIL: output equals input")
        ok = False
    if args.expect_delay is not None or args.expect_gain is not None or args.expect_different:
        print("expectations: %s" % ("PASS" if ok else "FAIL"))
    return 0 if ok else 1


def float_wav(path):
    tag, channels, rate, bits, block, data = parse_wav(path)
    if tag != 3 or bits != 32:
        raise SystemExit("%s: not a 32-bit float WAV" % path)
    return channels, rate, block, data[:len(data) // block * block]


def same(args):
    (ca, _, ba, a), (cb, _, bb, b) = float_wav(args.a), float_wav(args.b)
    n = args.frames
    if ca != cb or len(a) < n * ba or len(b) < n * bb:
        print("same: %d and %d channels, %d and %d frames, %d wanted" % (ca, cb, len(a) // ba, len(b) // bb, n))
        return 2
    a, b = a[:n * ba], b[:n * bb]
    if a == b:
        return 0
    i = next(i for i in range(0, len(a), 4) if a[i:i + 4] != b[i:i + 4])
    va, vb = struct.unpack("<f", a[i:i + 4])[0], struct.unpack("<f", b[i:i + 4])[0]
    print("same: first difference at frame %d, channel %d: %r and %r" % (i // ba, i % ba // 4, va, vb))
    return 1


def pad(args):
    channels, rate, block, data = float_wav(args.input)
    frames = len(data) // block
    padded = (frames + args.block - 1) // args.block * args.block + args.block
    write_wav_f32_raw(args.out, data + bytes((padded - frames) * block), channels, padded, rate)
    return 0


def frames(args):
    channels, rate, block, data = float_wav(args.file)
    print(len(data) // block)
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="cmd", required=True)
    g = sub.add_parser("gen")
    g.add_argument("out")
    g.add_argument("--seconds", type=float, default=2.0)
    g.add_argument("--rate", type=int, default=44100)
    g.add_argument("--seed", type=int, default=1)
    g.add_argument("--kind", choices=["noise", "impulses", "sines"], default="noise")
    sl = sub.add_parser("silent")
    sl.add_argument("file")
    sp = sub.add_parser("split")
    sp.add_argument("input")
    sp.add_argument("left")
    sp.add_argument("right")
    m = sub.add_parser("merge")
    m.add_argument("left")
    m.add_argument("right")
    m.add_argument("out")
    m.add_argument("--s24", action="store_true")
    sm = sub.add_parser("same")
    sm.add_argument("frames", type=int)
    sm.add_argument("a")
    sm.add_argument("b")
    pd = sub.add_parser("pad")
    pd.add_argument("input")
    pd.add_argument("out")
    pd.add_argument("block", type=int)
    fr = sub.add_parser("frames")
    fr.add_argument("file")
    i = sub.add_parser("info")
    i.add_argument("file")
    c = sub.add_parser("compare")
    c.add_argument("input")
    c.add_argument("output")
    c.add_argument("--expect-delay", type=int)
    c.add_argument("--expect-gain", type=float)
    c.add_argument("--expect-different", action="store_true")
    c.add_argument("--gain-tol", type=float, default=1e-3)
    c.add_argument("--resid-tol", type=float, default=1e-3)
    c.add_argument("--tol", type=float, default=0.0)
    c.add_argument("--max-lag", type=int, default=44100)
    args = ap.parse_args()
    return {"gen": gen, "silent": silent, "split": split, "merge": merge, "info": info, "compare": compare,
            "same": same, "pad": pad, "frames": frames}[args.cmd](args)


if __name__ == "__main__":
    sys.exit(main())

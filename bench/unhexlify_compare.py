#!/usr/bin/env python3
"""Times the frame decoder against CPython's binascii.unhexlify on the same text.

Runs the codec benchmark (which writes its frame text to a temporary file), then times
binascii.unhexlify on the hex digits of that text (unhexlify cannot read the "#H", "," and ";"
around them, so it gets less work: no markers, addresses, checksums or placement). Both
rates are CPU time, given in MB/s of the full frame text, i.e. for the same job of one image.

usage: bench/unhexlify_compare.py [path/to/codec_bench]
"""
import binascii
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import timeit


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    bench = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build", "bench", "codec_bench")
    with tempfile.TemporaryDirectory() as tmp:
        text_path = os.path.join(tmp, "frames.txt")
        env = dict(os.environ, LOGIREM_BENCH_TEXT=text_path)
        result = subprocess.run([bench, "--benchmark_format=json", "--benchmark_repetitions=5",
                                 "--benchmark_report_aggregates_only=true"],
                                env=env, check=True, capture_output=True, text=True)
        with open(text_path) as f:
            text = f.read()
    rates = {}
    for b in json.loads(result.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            rates[b["run_name"]] = b["bytes_per_second"] / 1e6

    digits = re.sub(r"[^0-9A-Fa-f]", "", text).encode()
    data = binascii.unhexlify(digits)
    assert len(data) == 25001 + 4 * 521 + 521  # image bytes, count+address, checksums
    loops = 2000
    # CPU time, as Google Benchmark reports it, so other load on the machine weighs on
    # both sides alike.
    best = min(timeit.repeat(lambda: binascii.unhexlify(digits), number=loops, repeat=7,
                             timer=time.process_time)) / loops
    unhex_text_rate = len(text) / best / 1e6
    unhex_digit_rate = len(digits) / best / 1e6

    print(f"frame text: {len(text)} characters, {len(digits)} hex digits")
    print(f"Hex2Mem                 {rates['BM_Hex2Mem']:8.1f} MB/s of frame text")
    print(f"Mem2Hex                 {rates['BM_Mem2Hex']:8.1f} MB/s of frame text")
    print(f"binascii.unhexlify      {unhex_text_rate:8.1f} MB/s of frame text "
          f"({unhex_digit_rate:.1f} MB/s of its own input, {best * 1e6:.1f} us per image)")
    print(f"Hex2Mem / unhexlify     {rates['BM_Hex2Mem'] / unhex_text_rate:8.2f}")
    return 0 if rates["BM_Hex2Mem"] >= unhex_text_rate else 1


if __name__ == "__main__":
    sys.exit(main())

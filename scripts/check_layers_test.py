#!/usr/bin/env python3
"""scripts/check-layers on small trees planted in a temporary folder."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check-layers")

# Every tree starts from these headers; a case adds one file that includes.
BASE = [
    "platform/rtl/strings.h",
    "platform/gui/graphics.h",
    "imaging/io/contract/iecodec.h",
    "imaging/io/core/ieformats.h",
    "skin/engine/skin.h",
    "skin/controls/base/basectl.h",
    "skin/controls/button.h",
    "app/main/form.h",
]


def run(files, *extra):
    with tempfile.TemporaryDirectory() as root:
        for path, text in list((p, "#pragma once\n") for p in BASE) + files:
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, SCRIPT, "--root", root, *extra], capture_output=True, text=True)
        return done.returncode, done.stdout


def including(path, header):
    return [(path, f'#include "{header}"\n#include <vector>\n')]


class Includes(unittest.TestCase):
    CASES = [
        # (file, header it includes, expected exit status, text of the report)
        ("platform/gui/canvas.cpp", "platform/rtl/strings.h", 0, ""),
        ("platform/rtl/streams.cpp", "platform/gui/graphics.h", 1, "a layer above platform/rtl"),
        ("imaging/io/contract/ieparams.cpp", "imaging/io/core/ieformats.h", 1, "above its own folder"),
        ("imaging/io/core/iedetect.cpp", "imaging/io/contract/iecodec.h", 0, ""),
        ("skin/controls/base/basectl.cpp", "skin/engine/skin.h", 0, ""),
        ("skin/engine/skin.cpp", "skin/controls/base/basectl.h", 0, ""),
        ("skin/engine/skin.cpp", "skin/controls/button.h", 1, "a layer above skin/engine"),
        ("platform/rtl/strings_test.cpp", "app/main/form.h", 0, ""),
        ("platform/rtl/strings_test_support.h", "app/main/form.h", 0, ""),
        ("fuzz/strings_fuzz.cpp", "app/main/form.h", 0, ""),
        ("tools/gen.cpp", "platform/rtl/strings.h", 1, "tools: folder not in the layer table"),
    ]

    def test_cases(self):
        for path, header, status, report in self.CASES:
            with self.subTest(path=path, header=header):
                code, out = run(including(path, header), "--no-graph")
                self.assertEqual(code, status, out)
                if status == 0:
                    self.assertEqual(out, "")
                else:
                    self.assertIn(report, out)

    def test_planted_upward_include_is_named(self):
        code, out = run(including("platform/rtl/streams.cpp", "app/main/form.h"), "--no-graph")
        self.assertEqual(code, 1)
        self.assertEqual(out.strip(), "platform/rtl/streams.cpp: includes app/main/form.h of app, "
                         "a layer above platform/rtl")


DOT = """digraph "Pictoval" {
"node0" [ label = "platform_rtl", shape = octagon ];
"node1" [ label = "platform_gui", shape = octagon ];
"node2" [ label = "platform_vcl", shape = octagon ];
"node3" [ label = "CURL::libcurl", shape = septagon ];
"node4" [ label = "platform_gui_tests", shape = egg ];
"node1" -> "node0"  // platform_gui -> platform_rtl
"node2" -> "node1"  // platform_vcl -> platform_gui
"node2" -> "node3"  // platform_vcl -> CURL::libcurl
"node4" -> "node1"  // platform_gui_tests -> platform_gui
%s}
"""


class LinkGraph(unittest.TestCase):
    def check(self, extra_edges):
        with tempfile.NamedTemporaryFile("w", suffix=".dot", delete=False) as f:
            f.write(DOT % extra_edges)
        try:
            return run([], "--dot", f.name)
        finally:
            os.unlink(f.name)

    def test_acyclic_graph_passes(self):
        self.assertEqual(self.check(""), (0, ""))

    def test_cycle_is_reported_with_its_libraries(self):
        code, out = self.check('"node0" -> "node2"  // platform_rtl -> platform_vcl\n')
        self.assertEqual(code, 1)
        self.assertEqual(out.strip(), "library cycle: platform_gui <-> platform_rtl <-> platform_vcl")


if __name__ == "__main__":
    unittest.main()

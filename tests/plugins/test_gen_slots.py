#!/usr/bin/env python3
"""The slot generator against small tables of its own: a plug-in's own
operations must name the areas it builds, and every area it builds must
have a slot, else the generator stops with the name in its message.

Usage: test_gen_slots.py GEN_SLOTS_PY
"""
import os
import subprocess
import sys
import tempfile
import unittest

GENERATOR = None

TABLE = """# slot | name | return | parameters | words | vulkan2 | vulkan
0|~Renderer|||0|dtor|dtor
1|alpha|bool||0|own:first|own:first
2|beta|bool|int value|1|own:second|stub:false
"""


def generate(column, areas):
    with tempfile.TemporaryDirectory() as folder:
        table = os.path.join(folder, "slots.txt")
        with open(table, "w") as f:
            f.write(TABLE)
        run = subprocess.run([sys.executable, GENERATOR, table, "plugin", folder, column, areas],
                             capture_output=True, text=True)
        header = os.path.join(folder, "vk_slots.h")
        text = open(header).read() if os.path.exists(header) else ""
        return run.returncode, run.stderr, text


class PluginAreas(unittest.TestCase):
    def test_areas_of_the_column_generate_their_slots(self):
        for column, areas, slots in (("vulkan2", "first,second", ("alpha", "beta")), ("vulkan", "first", ("alpha",))):
            code, err, header = generate(column, areas)
            self.assertEqual(code, 0, err)
            for name in slots:
                self.assertIn("bool %s(" % name, header)

    def test_a_bad_area_list_stops_the_generator_naming_the_area(self):
        cases = (
            ("vulkan2", "first,secnd", "area second is not among the areas built"),  # misspelt
            ("vulkan2", "first", "area second is not among the areas built"),  # left out
            ("vulkan", "first,second", "area second: no slot of the vulkan column is its own"),
            ("vulkan2", "first,second,third", "area third: no slot of the vulkan2 column is its own"),
        )
        for column, areas, message in cases:
            with self.subTest(areas=areas, column=column):
                code, err, header = generate(column, areas)
                self.assertNotEqual(code, 0)
                self.assertIn(message, err)
                self.assertEqual(header, "", "nothing is generated")


if __name__ == "__main__":
    GENERATOR = sys.argv.pop(1)
    unittest.main()

#!/usr/bin/env python3
"""The layers of the tree as the includes and the CMake files show them: the client and the server
share only the record formats of records/, which lies below both; the server includes no Qt, and
no file outside platform/qt includes Qt's headers.

    layers_test.py SOURCE_DIR
"""
import pathlib
import re
import sys
import unittest

SOURCE = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else ".").resolve()
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def includes(folder):
    """(file, included name, quoted) for every #include of the C++ files below folder."""
    for path in sorted((SOURCE / folder).rglob("*")):
        if path.suffix in (".h", ".cpp") and path.is_file():
            for m in INCLUDE.finditer(path.read_text(encoding="utf-8", errors="replace")):
                yield path.relative_to(SOURCE).as_posix(), m.group(2), m.group(1) == '"'


def offending(folder, forbidden_prefixes):
    return [f"{f}: {name}" for f, name, quoted in includes(folder)
            if quoted and name.startswith(forbidden_prefixes)]


class RecordFormatsLieBelowBothPrograms(unittest.TestCase):
    def test_client_includes_no_server_header(self):
        self.assertEqual(offending("client", ("server/",)), [])

    def test_records_include_neither_program(self):
        self.assertEqual(offending("records", ("server/", "client/")), [])

    def test_server_includes_no_client_header(self):
        self.assertEqual(offending("server", ("client/",)), [])

    def test_client_cmake_does_not_link_the_server(self):
        named = [p.relative_to(SOURCE).as_posix() for p in sorted((SOURCE / "client").rglob("CMakeLists.txt"))
                 if re.search(r"\bqn_server\b", p.read_text(encoding="utf-8"))]
        self.assertEqual(named, [])

    def test_the_server_side_includes_no_qt(self):
        qt = [f"{f}: {name}" for folder in ("server", "records") for f, name, quoted in includes(folder)
              if not quoted and re.match(r"Q[A-Za-z]*($|/)", name)]
        self.assertEqual(qt, [])

    def test_only_the_desktop_backend_includes_qt(self):
        # The program's files and every library but platform/qt reach the toolkit through
        # platform/qt's own headers; only the Qt backend's files name Qt's.
        folders = ("client", "controls", "print", "net", "records", "server", "platform/rtl",
                   "platform/sys", "platform/gfx", "platform/ui", "platform/headless")
        qt = [f"{f}: {name}" for folder in folders for f, name, quoted in includes(folder)
              if not quoted and re.match(r"Q[A-Za-z]*($|/)|qt[a-z]*/", name)]
        self.assertEqual(qt, [])
        below = [f"{f}: {name}" for folder in folders for f, name, quoted in includes(folder)
                 if quoted and name.startswith("platform/qt/") and name != "platform/qt/qt_program.h"]
        self.assertEqual(below, [])


if __name__ == "__main__":
    unittest.main()

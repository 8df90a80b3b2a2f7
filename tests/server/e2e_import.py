"""End-to-end test of the record server's data import ("M") through the local web server and
curl, on a database made by the test.

    e2e_import.py SOURCE_DIR SERVER_PROGRAM DEFINITION_FOLDER
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_server  # noqa: E402  (takes the three arguments)
import qn_protocol as qp  # noqa: E402
from e2e_handlers import grid_text  # noqa: E402

NOT_IMPORTED = 200


def import_body(rows, codes):
    """The grid wrapper of rows (row 0 the header) and 100 import codes, one per column."""
    cols = max(len(r) for r in rows)
    cells = {(c, r): text for r, row in enumerate(rows) for c, text in enumerate(row) if text}
    w = qp.Writer()
    w.integer(cols)
    w.integer(len(rows))
    w.chars(grid_text(cols + 1, len(rows), cells))
    for i in range(100):
        w.integer(codes[i] if i < len(codes) else NOT_IMPORTED)
    return bytes(w.out)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ImportCommand(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stack = e2e_server.ServerStack()
        reply = cls.stack.request("CreateDB:depot;General", query="?Name=depot&FileCode=Fdepot")
        assert reply == b"<HTML>database created</html>\r\n", reply

    @classmethod
    def tearDownClass(cls):
        cls.stack.stop()

    def records(self):
        """Every record from the first on, stepping with "N" until it stays on the last."""
        rec = qp.parse_record_stream(self.stack.request("F:depot"))
        seen = [rec]
        for _ in range(1000):
            nxt = qp.parse_record_stream(self.stack.request("N%s:depot" % rec["code"]))
            if nxt["code"] == rec["code"]:
                break
            seen.append(nxt)
            rec = nxt
        return seen

    def test_rows_become_new_records_and_a_bad_body_changes_nothing(self):
        before = len(self.records())
        body = import_body([["Name", "Weight", "Colour", "Ignored"],
                            ["Anvil", "15", "Red", "x"],
                            ["Bolt", "9", "Blue", "y"]], [210, 100, 0, NOT_IMPORTED])
        reply = self.stack.request("M:depot", body)
        for line in (b"Stream Read", b"Grid Loaded", b"Data has been imported."):
            self.assertIn(line, reply)
        after = self.records()
        self.assertEqual(len(after), before + 2)
        imported = {r["name"]: r for r in after[-2:]}
        self.assertEqual(sorted(imported), ["Anvil", "Bolt"])
        self.assertEqual(imported["Anvil"]["details"][0], "15")
        self.assertEqual(imported["Bolt"]["descriptions"][0], "Blue")
        self.assertNotEqual(imported["Anvil"]["code"], imported["Bolt"]["code"])

        self.stack.fold()  # the file alone holds every change, and stays so
        saved = read(os.path.join(self.stack.folder, "depot.qnd"))
        self.assertNotIn(b"Data has been imported.", self.stack.request("M:depot", body[: len(body) // 2]))
        self.assertEqual(read(os.path.join(self.stack.folder, "depot.qnd")), saved)
        self.assertEqual(len(self.records()), before + 2)


if __name__ == "__main__":
    unittest.main()

"""End-to-end tests of the record server's searches ("2"), search display ("5") and search
index ("Y") through the local web server and curl, on a database made by the tests.

    e2e_search.py SOURCE_DIR SERVER_PROGRAM DEFINITION_FOLDER
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_server  # noqa: E402  (takes the three arguments)
import qn_protocol as qp  # noqa: E402
from e2e_handlers import grid_text, parse_grid  # noqa: E402


def read(path):
    with open(path, "rb") as f:
        return f.read()


def terms(*rows):
    """A search terms grid: each row (field, match, low, high)."""
    cells = {}
    for r, (field, match, low, high) in enumerate(rows):
        cells.update({(0, r): "shown", (3, r): field, (4, r): match, (10, r): "0"})
        if low:
            cells[(5, r)] = low
        if high:
            cells[(6, r)] = high
    return grid_text(11, len(rows), cells)


class SearchCommands(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stack = e2e_server.ServerStack()
        reply = cls.stack.request("CreateDB:shop;General", query="?Name=shop&FileCode=Fshop")
        assert reply == b"<HTML>database created</html>\r\n", reply
        cls.codes = [qp.parse_record_stream(cls.stack.request("F:shop"))["code"]]
        cls.codes += [qp.parse_record_stream(cls.stack.request("E:shop"))["code"] for _ in range(2)]
        values = [("Anvil", "15", "Red iron", True), ("Bolt", "9", "steel", False), ("Cog", "20", "red", True)]
        for code, (name, size, colour, working) in zip(cls.codes, values):
            rec = qp.parse_record_stream(cls.stack.request("G%s:shop" % code))
            rec["name"] = name
            rec["details"][0] = size
            rec["descriptions"][0] = colour
            rec["checks"][0] = working
            rec["memos"][1] = ["note on " + name]
            flags = {(6, 0), (2, 0), (1, 1), (12, 1), (7, 1)}
            cls.stack.request("S%s:shop" % code, qp.save_body(rec, flags))

    @classmethod
    def tearDownClass(cls):
        cls.stack.stop()

    def search(self, body):
        cols, rows, cells = parse_grid(self.stack.request("2:shop", body))
        self.assertEqual(cols, 2)
        self.assertNotIn((0, rows - 1), cells)  # one empty row ends the reply
        return [(cells[(0, r)], cells[(1, r)]) for r in range(rows - 1)]

    def test_terms_of_several_kinds(self):
        a, b, c = self.codes
        self.assertEqual(self.search(terms(("100", "1", "10", "20"))), [(a, "Anvil"), (c, "Cog")])
        self.assertEqual(self.search(terms(("100", "1", "10", "20"), ("0", "2", "iron", ""))), [(c, "Cog")])
        self.assertEqual(self.search(terms(("200", "1", "Checkbox1", ""), ("230", "1", "NOTE ON b", ""))), [])
        self.assertEqual(self.search(terms(("230", "1", "NOTE ON b", ""))), [(b, "Bolt")])
        self.assertEqual(self.search(terms(("210", "1", "b", "d"))), [(b, "Bolt"), (c, "Cog")])
        # "1" sends the last table again.
        self.assertEqual(parse_grid(self.stack.request("1:shop"))[2], {(0, 0): b, (1, 0): "Bolt", (0, 1): c, (1, 1): "Cog"})

    def test_bad_bodies_change_nothing(self):
        before = read(os.path.join(self.stack.folder, "shop.qnd"))
        self.assertEqual(self.stack.request("2:shop", grid_text(11, 1, {(3, 0): "x", (4, 0): "1", (10, 0): "0"})),
                         b"<HTML>Error Local Mode in Request</HTML>\r\n")
        reply = self.stack.request("2:shop", b"11,2\r\n3,")
        self.assertTrue(reply.startswith(b"<HTML>Error in Search Request</HTML>\r\n"), reply)
        self.assertEqual(read(os.path.join(self.stack.folder, "shop.qnd")), before)

    def test_display_and_index(self):
        a, b, c = self.codes
        body = grid_text(3, 5, {(0, 0): "Code", (1, 0): "Name", (2, 0): "Status", (0, 1): "28", (1, 1): "21",
                                (2, 1): "20", (0, 2): c, (0, 3): "NOSUCH00", (0, 4): b})
        cols, rows, cells = parse_grid(self.stack.request("5:shop", body))
        self.assertEqual((cols, rows), (3, 3))
        self.assertEqual([cells.get((k, 1)) for k in range(3)], [c, "Cog", "Working "])
        self.assertEqual([cells.get((k, 2)) for k in range(3)], [b, "Bolt", None])

        self.assertEqual(self.stack.request("Y:shop"), b"")
        index = read(os.path.join(self.stack.folder, "shop.qnd.sea")).decode().split("\r\n")
        self.assertIn('"",%s,anvil red iron 15 ' % a, index)
        self.assertIn('"",%s,bolt steel ' % b, index)


if __name__ == "__main__":
    unittest.main()

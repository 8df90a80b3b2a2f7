"""End-to-end tests of the record server's table and function commands ("Z", "X", "B3", "B4",
"3", "4", "1") through the local web server and curl, on a database made by the tests.

    e2e_handlers.py SOURCE_DIR SERVER_PROGRAM DEFINITION_FOLDER
"""

import os
import sys
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_server  # noqa: E402  (takes the three arguments)
import qn_protocol as qp  # noqa: E402


def grid_text(cols, rows, cells):
    """A grid text stream: cells maps (col, row) to text."""
    out = b"%d,%d\r\n" % (cols, rows)
    for (c, r), text in sorted(cells.items(), key=lambda x: (x[0][1], x[0][0])):
        out += b"%d,%d," % (c, r) + text.encode() + b"\r\n"
    return out


def parse_grid(data):
    lines = data.split(b"\r\n")
    cols, rows = (int(x) for x in lines[0].split(b","))
    cells = {}
    for line in lines[1:]:
        if not line:
            continue
        c, r, text = line.split(b",", 2)
        cells[(int(c), int(r))] = text.decode()
    return cols, rows, cells


def lines(reply):
    return reply.decode().split("\r\n")[:-1]


class TableCommands(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stack = e2e_server.ServerStack()
        reply = cls.stack.request("CreateDB:shop;General", query="?Name=shop&FileCode=Fshop")
        assert reply == b"<HTML>database created</html>\r\n", reply
        cls.codes = [qp.parse_record_stream(cls.stack.request("F:shop"))["code"]]
        cls.codes += [qp.parse_record_stream(cls.stack.request("E:shop"))["code"] for _ in range(2)]
        values = [("Anvil", "A-1", "4", "Red"), ("Bolt", "B-2", "n/a", "Colour: red"),
                  ("Cog", "A-1", "7", "Blue")]
        for code, (name, barcode, qty, colour) in zip(cls.codes, values):
            rec = qp.parse_record_stream(cls.stack.request("G%s:shop" % code))
            rec["name"] = name
            rec["details"][1] = barcode
            rec["details"][2] = qty
            rec["descriptions"][1] = colour
            rec["others"][0] = "50% + tax"
            rec["memos"][0] = ["memo of " + name] if name != "Bolt" else []
            flags = {(6, 0), (2, 1), (2, 2), (1, 2), (3, 0), (7, 0)}
            cls.stack.request("S%s:shop" % code, qp.save_body(rec, flags))

    @classmethod
    def tearDownClass(cls):
        cls.stack.stop()

    def z(self, **fields):
        query = "?" + urllib.parse.urlencode(fields)
        return lines(self.stack.request("Z:shop", query=query))

    def record(self, code):
        return qp.parse_record_stream(self.stack.request("G%s:shop" % code))

    def test_lookups_and_lists(self):
        a, b, c = self.codes
        self.assertEqual(self.z(Function="Jump", BarcodeField="1", Barcode="A-1"),
                         ["<HTML>", "Barcode Field: 1", "SUCCESS", c, "</HTML>"])
        self.assertEqual(self.z(Function="BarcodeRequest", BarcodeField="1", Barcode="B-2",
                                Field1="27", Field2="21", Field3="28"),
                         ["<HTML>", "Barcode Field: 1", "SUCCESS", b, "Bolt", "50% + tax", b, "</HTML>"])
        self.assertEqual(self.z(Function="DuplicateBarcode", BarcodeField="1", BarcodeValue="A-1", Record=c),
                         ["<HTML>", "Barcode Field: 1", "Duplicate", "1", "</HTML>"])
        self.assertEqual(self.z(Function="ListRecords"),
                         ["<HTML>", "*** Record List Begin ***", a, "Anvil", b, "Bolt", c, "Cog",
                          "*** Record List End ***", "</HTML>"])
        self.assertEqual(self.z(Function="ValueReport", Value1Field="21", Value2Field="-1", Value3Field="-1",
                                Value4Field="-1", Value5Field="27")[2:6], [a, "Anvil", "50% + tax", "Anvil"])
        self.assertEqual(self.z(Function="QuantityReport", QuantityField="2", DesiredField="-1",
                                BarcodeField="1")[8:11], ["Bolt", "B-2", "n/a"])
        self.assertEqual(self.z(Function="nothing"), ["<HTML>Function not defined</HTML>"])

    def test_add_and_bulk_changes(self):
        a, b, c = self.codes
        self.assertEqual(self.z(Function="Add", BarcodeField="1", Barcode="B-2", Amount="5", QuantityField="9"),
                         ["<HTML>", "Quantity Field: 9", "AT FIELD", "AT ADD ", "SUCCESS</HTML>"])
        self.assertEqual(self.record(b)["details"][9], "5")
        self.assertEqual(self.z(Function="Add", Record="ZZZZZZZZ", Amount="5", QuantityField="9"),
                         ["<HTML>", "FAILURE</HTML>"])
        self.assertEqual(self.record(a)["details"][9], "")
        self.assertEqual(self.z(Function="SetConditional", cfield="1", field="5", oldvalue="Colour: red",
                                newvalue="Tagged"), ["<HTML>", "success", "1", "</HTML>"])
        self.assertEqual(self.record(b)["descriptions"][5], "Tagged")
        self.assertEqual(self.z(Function="Replace", field="x"), ["<HTML>not found", "Failure</HTML>"])
        # The changes are in the file.
        self.stack.fold()
        db = qp.parse_database_file(open(os.path.join(self.stack.folder, "shop.qnd"), "rb").read())
        self.assertEqual(db["records"][1]["details"][9], "5")
        self.assertEqual(db["records"][1]["descriptions"][5], "Tagged")

    def batch(self, rows):
        cells = {(col, r): text for r, row in enumerate(rows) for col, text in enumerate(row) if text}
        w = qp.Writer()
        w.integer(7)
        w.integer(len(rows))
        w.chars(grid_text(8, len(rows), cells))
        return w.bytes()

    def test_grid_lines_summary_and_moves(self):
        a, b, c = self.codes
        reply = lines(self.stack.request("X:shop", self.batch([
            [a, "3UPDATELINE", "100", "2026-01-01", "Fair"],
            [a, "3UPDATELINE", "200", "2026-02-01", "Show"],
            [b, "4", "", "Nut", "12"],
            ["NOSUCHCO", "4", "", "x"],
            [c, "Copy", "", "25", "copied"],
        ])))
        self.assertEqual(reply, ["<HTML>", "Stream Read", "Cols7", "Rows5", "Grid Loaded", "Buffer Grid Loaded",
                                 "Grid 3 Update Sucessful</HTML>", "Grid 3 Update Sucessful</HTML>",
                                 "Grid 4 Update Sucessful</HTML>", "Grid 4 Copy Sucessful</HTML>"])
        self.assertEqual(self.record(c)["others"][4], "copied")

        cols, rows, cells = parse_grid(self.stack.request("B3:shop", b"All\r\n"))
        self.assertEqual(rows, 4)
        self.assertEqual([cells.get((0, r)) for r in (1, 2)], [a, a])
        self.assertEqual([cells.get((3, r)) for r in (1, 2)], ["Fair", "Show"])
        cols, rows, cells = parse_grid(self.stack.request("B4:shop", (b + "\r\n").encode()))
        self.assertEqual((rows, cells[(0, 1)], cells[(2, 1)], cells[(3, 1)]), (3, b, "Nut", "12"))
        # "1" sends the last table again.
        self.assertEqual(parse_grid(self.stack.request("1:shop"))[2], cells)

        self.assertEqual(self.z(Function="MoveUpLine", Record=a, GridID="3", LineID="200"), [])
        cols, rows, cells = parse_grid(self.record(a)["grid3"])
        self.assertEqual((cells[(0, 1)], cells[(0, 2)]), ("200", "100"))
        self.assertEqual(self.z(Function="RemoveLine", Record="ZZZZZZZZ", GridID="3", LineID="200"),
                         ["<HTML>ZZZZZZZZ", "Failure</HTML>"])

        truncated = self.batch([[a, "3", "", "x"]])[:-4]
        self.assertEqual(lines(self.stack.request("X:shop", truncated))[-1], "Error in Grid Save</HTML>")

    def test_report_and_graph(self):
        a, b, c = self.codes
        body = grid_text(4, 2, {(0, 0): "Code", (1, 0): "Name", (2, 0): "Memo", (3, 0): "Colour",
                                (0, 1): "220", (1, 1): "230", (2, 1): "210", (3, 1): "20"})
        cols, rows, cells = parse_grid(self.stack.request("3:shop", body))
        self.assertEqual((cols, rows), (4, 4))
        self.assertEqual([cells.get((0, r)) for r in (1, 2, 3)], [a, b, c])
        self.assertEqual(cells[(2, 1)], "memo of Anvil")
        self.assertNotIn((2, 2), cells)  # Bolt has no memo
        self.assertEqual(cells[(3, 2)], "Colour")

        names = qp.parse_configuration(self.stack.request("CL:shop"))
        colour = names["description_names"][1]
        body = grid_text(1, 4, {(0, 0): colour, (0, 1): "2", (0, 2): "RED", (0, 3): "blue"})
        cols, rows, cells = parse_grid(self.stack.request("4:shop", body))
        self.assertEqual(cells[(0, 0)], "3")
        self.assertEqual((cells.get((0, 1)), cells.get((0, 2))), ("2", "1"))
        self.assertEqual(self.stack.request("4:shop", b"bad"),
                         b"<HTML>Error in Graph Request</HTML>\r\n<HTML>Error Local Mode in Request</HTML>\r\n")


if __name__ == "__main__":
    unittest.main()

"""The record server's wire formats, written from the protocol's description alone: the typed
value stream, the record stream with its change mask, the configuration stream with its tree
components, and the database file.  Used by the end-to-end tests to speak to the server and to
read what it stores."""

import struct

RECORD_MASK_ROWS = 20
MASK_COLS = 101


class Writer:
    def __init__(self):
        self.out = bytearray()

    def boolean(self, value):
        self.out.append(9 if value else 8)

    def integer(self, value):
        if -128 <= value <= 127:
            self.out += bytes([2]) + struct.pack("<b", value)
        elif -32768 <= value <= 32767:
            self.out += bytes([3]) + struct.pack("<h", value)
        else:
            self.out += bytes([4]) + struct.pack("<i", value)

    def string(self, value):
        data = value.encode() if isinstance(value, str) else bytes(value)
        if len(data) < 256:
            self.out += bytes([6, len(data)]) + data
        else:
            self.out += bytes([12]) + struct.pack("<I", len(data)) + data

    def strings(self, lines):
        self.out.append(1)
        for line in lines:
            self.string(line)
        self.out.append(0)

    def chars(self, data):
        """A Chars block: the count, then every byte as a String of length 1."""
        n = len(data)
        self.integer(n)
        block = bytearray(3 * n)
        block[0::3] = b"\x06" * n
        block[1::3] = b"\x01" * n
        block[2::3] = bytes(data)
        self.out += block

    def mask(self, flags):
        """flags: a set of (row, column) pairs, rows 1-20, columns 0-100."""
        for row in range(1, RECORD_MASK_ROWS + 1):
            for col in range(MASK_COLS):
                self.boolean((row, col) in flags)

    def bytes(self):
        return bytes(self.out)


class StreamError(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = bytes(data)
        self.pos = 0

    def _take(self, n):
        if self.pos + n > len(self.data):
            raise StreamError("stream ends at %d, %d more bytes wanted" % (self.pos, n))
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def tag(self):
        return self._take(1)[0]

    def at_end(self):
        return self.pos == len(self.data)

    def boolean(self):
        t = self.tag()
        if t not in (8, 9):
            raise StreamError("Boolean expected, tag %d at %d" % (t, self.pos - 1))
        return t == 9

    def integer(self):
        t = self.tag()
        if t == 2:
            return struct.unpack("<b", self._take(1))[0]
        if t == 3:
            return struct.unpack("<h", self._take(2))[0]
        if t == 4:
            return struct.unpack("<i", self._take(4))[0]
        raise StreamError("Integer expected, tag %d at %d" % (t, self.pos - 1))

    def raw_string(self):
        t = self.tag()
        if t == 6:
            n = self._take(1)[0]
        elif t == 12:
            n = struct.unpack("<I", self._take(4))[0]
        else:
            raise StreamError("String expected, tag %d at %d" % (t, self.pos - 1))
        return self._take(n)

    def string(self):
        return self.raw_string().decode("utf-8", "replace")

    def strings(self):
        if self.tag() != 1:
            raise StreamError("list begin expected")
        lines = []
        while self.data[self.pos] != 0:
            lines.append(self.string())
        self.pos += 1
        return lines

    def chars(self):
        n = self.integer()
        if n < 0:
            raise StreamError("negative Chars count")
        block = self.data[self.pos:self.pos + 3 * n]
        if len(block) == 3 * n and block[0::3] == b"\x06" * n and block[1::3] == b"\x01" * n:
            self.pos += 3 * n
            return block[2::3]
        out = bytearray()
        for _ in range(n):
            c = self.raw_string()
            if len(c) != 1:
                raise StreamError("Char expected")
            out += c
        return bytes(out)

    def short_name(self):
        return self._take(self._take(1)[0]).decode()

    def tree_component(self):
        """A root component: "TPF0", class name, name, properties, list end, children, list end.
        Returns the node texts with their depth."""
        if self._take(4) != b"TPF0":
            raise StreamError("component signature expected")
        self.short_name()
        self.short_name()
        nodes = []
        while self.data[self.pos] != 0:
            prop = self.short_name()
            t = self.tag()
            if prop == "Items.Data" and t == 10:
                size = struct.unpack("<I", self._take(4))[0]
                nodes = parse_tree_nodes(self._take(size))
            elif t in (2, 3, 4, 6, 12, 8, 9):
                self.pos -= 1
                {2: self.integer, 3: self.integer, 4: self.integer, 6: self.raw_string,
                 12: self.raw_string, 8: self.boolean, 9: self.boolean}[t]()
            else:
                raise StreamError("property value of tag %d not handled" % t)
        self.pos += 1
        if self.tag() != 0:
            raise StreamError("a description tree has no child components")
        return nodes


def parse_tree_nodes(data):
    r = Reader(data)
    count = struct.unpack("<i", r._take(4))[0]
    out = []

    def node(depth):
        size, _img, _sel, _state, _overlay, _data, children = struct.unpack("<7i", r._take(28))
        text = r._take(r._take(1)[0]).decode()
        if size != len(text.encode()) + 25:
            raise StreamError("node record size %d for a text of %d bytes" % (size, len(text)))
        out.append((depth, text))
        for _ in range(children):
            node(depth + 1)

    for _ in range(count):
        node(0)
    if not r.at_end():
        raise StreamError("bytes after the tree nodes")
    return out


def new_record():
    return {
        "readonly": False, "name": "", "code": "",
        "details": [""] * 10, "descriptions": [""] * 10, "others": [""] * 6,
        "extra_strings": [""] * 3, "extra_integers": [0] * 3,
        "grid3_rows": 0, "grid3": b"", "grid4_rows": 0, "grid4": b"",
        "memos": [[], [], []], "lists": [[], []],
        "images": [("", "", False)] * 6, "attachment": "", "checks": [False] * 3,
        "items": [(False, "", "")] * 100, "rich": b"",
    }


def write_record(w, rec, with_extras=True):
    w.boolean(rec["readonly"])
    w.string(rec["name"])
    w.string(rec["code"])
    for key in ("details", "descriptions", "others"):
        for s in rec[key]:
            w.string(s)
    if with_extras:
        for s in rec["extra_strings"]:
            w.string(s)
        for i in rec["extra_integers"]:
            w.integer(i)
    w.integer(rec["grid3_rows"])
    w.chars(rec["grid3"])
    w.integer(rec["grid4_rows"])
    w.chars(rec["grid4"])
    for m in rec["memos"]:
        w.strings(m)
    for l in rec["lists"]:
        w.strings(l)
    for f, t, flag in rec["images"]:
        w.string(f)
        w.string(t)
        w.boolean(flag)
    w.string(rec["attachment"])
    for c in rec["checks"]:
        w.boolean(c)
    for checked, name, value in rec["items"]:
        w.boolean(checked)
        w.string(name)
        w.string(value)
    w.chars(rec["rich"])


def read_record(r, with_extras=True):
    rec = new_record()
    rec["readonly"] = r.boolean()
    rec["name"] = r.string()
    rec["code"] = r.string()
    for key, n in (("details", 10), ("descriptions", 10), ("others", 6)):
        rec[key] = [r.string() for _ in range(n)]
    if with_extras:
        rec["extra_strings"] = [r.string() for _ in range(3)]
        rec["extra_integers"] = [r.integer() for _ in range(3)]
    rec["grid3_rows"] = r.integer()
    rec["grid3"] = r.chars()
    rec["grid4_rows"] = r.integer()
    rec["grid4"] = r.chars()
    rec["memos"] = [r.strings() for _ in range(3)]
    rec["lists"] = [r.strings() for _ in range(2)]
    rec["images"] = [(r.string(), r.string(), r.boolean()) for _ in range(6)]
    rec["attachment"] = r.string()
    rec["checks"] = [r.boolean() for _ in range(3)]
    rec["items"] = [(r.boolean(), r.string(), r.string()) for _ in range(100)]
    rec["rich"] = r.chars()
    return rec


def parse_record_stream(data):
    r = Reader(data)
    rec = read_record(r)
    if not r.at_end():
        raise StreamError("bytes after the record")
    return rec


def save_body(rec, flags):
    w = Writer()
    w.mask(flags)
    write_record(w, rec)
    return w.bytes()


def new_configuration():
    return {
        "config": ("", "", False),
        "description_names": [""] * 10, "detail_names": [""] * 10, "other_names": [""] * 6,
        "detail_kinds": [""] * 10, "other_kinds": [""] * 6, "item_names": [""] * 100,
        "trees": [[] for _ in range(10)], "description_kinds": [""] * 10,
        "status": "", "date_format": "", "info": [""] * 8, "distinct": [""] * 10,
    }


NAME_KEYS = (("description_names", 10), ("detail_names", 10), ("other_names", 6),
             ("detail_kinds", 10), ("other_kinds", 6), ("item_names", 100))


def parse_configuration(data):
    r = Reader(data)
    c = new_configuration()
    r.string()
    r.string()
    c["config"] = (r.string(), r.string(), r.boolean())
    for key, n in NAME_KEYS:
        c[key] = [r.string() for _ in range(n)]
    c["trees"] = [r.tree_component() for _ in range(10)]
    c["description_kinds"] = [r.string() for _ in range(10)]
    c["status"] = r.string()
    c["date_format"] = r.string()
    c["info"] = [r.string() for _ in range(8)]
    c["distinct"] = [r.string() for _ in range(10)]
    closing = [r.string() for _ in range(20)]
    if any(closing) or not r.at_end():
        raise StreamError("the configuration does not end with 20 empty Strings")
    return c


def write_tree_component(w, nodes):
    """A description tree from (depth, text) pairs in depth-first order (a bare text is depth 0)."""
    nodes = [(0, n) if isinstance(n, str) else n for n in nodes]

    def children_of(i):
        depth, count, j = nodes[i][0], 0, i + 1
        while j < len(nodes) and nodes[j][0] > depth:
            if nodes[j][0] == depth + 1:
                count += 1
            j += 1
        return count

    w.out += b"TPF0" + bytes([9]) + b"TTreeView" + bytes([15]) + b"DescriptionTree"
    if nodes:
        top = sum(1 for d, _ in nodes if d == 0)
        data = bytearray(struct.pack("<i", top))
        for i, (_depth, text) in enumerate(nodes):
            t = text.encode()
            data += struct.pack("<7i", len(t) + 25, 0, 0, -1, -1, 0, children_of(i)) + bytes([len(t)]) + t
        w.out += bytes([10]) + b"Items.Data" + bytes([10]) + struct.pack("<I", len(data)) + data
    w.out += bytes([0, 0])


def configuration_body(c, flags):
    w = Writer()
    w.mask(flags)
    w.string("")
    w.string("")
    w.string(c["config"][0])
    w.string(c["config"][1])
    w.boolean(c["config"][2])
    for key, _ in NAME_KEYS:
        for s in c[key]:
            w.string(s)
    for tree in c["trees"]:
        write_tree_component(w, tree)
    for s in c["description_kinds"]:
        w.string(s)
    w.string(c["status"])
    w.string(c["date_format"])
    for s in c["info"] + c["distinct"] + [""] * 20:
        w.string(s)
    return w.bytes()


def parse_database_file(data):
    """The database file: configuration items, then the records without their extras."""
    r = Reader(data)
    db = {"header": [r.string() for _ in range(4)]}
    [r.string() for _ in range(10)]
    db["string_list"] = r.strings()
    db["config"] = (r.string(), r.string(), r.boolean())
    db["status"] = r.string()
    db["date_format"] = r.string()
    db["info"] = [r.string() for _ in range(8)]
    db["distinct"] = [r.string() for _ in range(10)]
    [r.string() for _ in range(20)]
    db["description_kinds"] = [r.string() for _ in range(10)]
    db["record_counter"] = r.string()
    for key, n in NAME_KEYS:
        db[key] = [r.string() for _ in range(n)]
    db["grid_columns"] = (r.integer(), r.integer())
    db["trees"] = [r.tree_component() for _ in range(10)]
    count = r.integer()
    db["records"] = [read_record(r, with_extras=False) for _ in range(count)]
    if not r.at_end():
        raise StreamError("bytes after the last record")
    return db


def write_database_file(records, counter="1"):
    w = Writer()
    for s in ["", "General.atr", "", ""] + [""] * 10:
        w.string(s)
    w.strings([])
    w.string("")
    w.string("")
    w.boolean(False)
    w.string("Status")
    w.string("mm/dd/yyyy")
    for s in ["Big", "General", "", "", "", "", str(len(records)), "BIG1"] + [""] * 30 + [""] * 10:
        w.string(s)
    w.string(counter)
    for _key, n in NAME_KEYS:
        for _ in range(n):
            w.string("")
    w.integer(10)
    w.integer(10)
    for _ in range(10):
        write_tree_component(w, [])
    w.integer(len(records))
    for rec in records:
        write_record(w, rec, with_extras=False)
    return w.bytes()

"""End-to-end tests of the record server: the real program below the local web server on a free
loopback port, driven with curl and with the protocol of qn_protocol.py.

    e2e_server.py SOURCE_DIR SERVER_PROGRAM DEFINITION_FOLDER
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qn_protocol as qp  # noqa: E402

SOURCE_DIR, SERVER_PROGRAM, DEFINITIONS = sys.argv[1:4]
del sys.argv[1:4]

INVALID = b"<HTML>Invalid Request</HTML>\r\n"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def resident_pids(program):
    """The resident instances of this copy of the program, by their command lines."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if len(args) >= 2 and args[0] == program.encode() and args[1] == b"START_SERVER":
            pids.append(int(entry))
    return pids


class ServerStack:
    def __init__(self, umask=None):
        """umask: the one the web server, and so the server program, starts with."""
        self.umask = umask
        self.root = tempfile.mkdtemp(prefix="qn_e2e_")
        self.data = os.path.join(self.root, "Data")
        self.folder = os.path.join(self.data, "database")
        self.program = os.path.join(self.folder, "qnserver.exe")
        self.web = None
        try:
            self._start()
        except BaseException:
            self.stop()
            raise

    def _start(self):
        os.makedirs(self.folder)
        shutil.copy2(SERVER_PROGRAM, self.program)
        for name in os.listdir(DEFINITIONS):
            if name.endswith((".set", ".atr")):
                shutil.copy2(os.path.join(DEFINITIONS, name), self.folder)
        self.port = free_port()
        self.url = "http://127.0.0.1:%d/database/qnserver.exe" % self.port
        env = dict(os.environ, XDG_RUNTIME_DIR=self.root)
        self.web = subprocess.Popen(
            [os.path.join(SOURCE_DIR, "bin", "hmserv"), self.data, str(self.port)],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            umask=-1 if self.umask is None else self.umask)
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("the web server did not start")

    def request(self, ua, body=None, query="", timeout=60):
        args = ["curl", "-s", "--max-time", str(timeout), "-A", ua, self.url + query]
        if body is not None:
            args[1:1] = ["-H", "Content-Type: multipart/form-data", "--data-binary", "@-"]
        done = subprocess.run(args, input=body, capture_output=True, timeout=timeout + 5)
        return done.stdout

    def fold(self):
        """Makes the resident write the open database's file whole (by opening another one), so
        that the file alone holds every change.  The write runs on a thread of the resident: it
        has ended when no temporary copy is left and every journal holds its base alone."""
        self.request("H:qnfold")
        deadline = time.time() + 60
        while time.time() < deadline:
            names = os.listdir(self.folder)
            busy = any(".qnd.tmp" in n or n.endswith(".jnl.new") for n in names)
            busy = busy or any(n.endswith(".qnd.jnl") and os.path.getsize(os.path.join(self.folder, n)) > 28
                               for n in names)
            if not busy:
                return
            time.sleep(0.02)
        raise AssertionError("the database file was not written whole in time")

    def stop(self):
        # Emptying the hand-over folder ends the resident instance; what remains goes by its id.
        temp = os.path.join(self.folder, "Temp")
        if os.path.isdir(temp):
            for name in os.listdir(temp):
                try:
                    os.remove(os.path.join(temp, name))
                except OSError:
                    pass
        if self.web is not None:
            self.web.terminate()
            try:
                self.web.wait(5)
            except subprocess.TimeoutExpired:
                self.web.kill()
            self.web = None
        deadline = time.time() + 3
        while resident_pids(self.program) and time.time() < deadline:
            time.sleep(0.1)
        for pid in resident_pids(self.program):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.root, ignore_errors=True)


class RecordServer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stack = ServerStack()

    @classmethod
    def tearDownClass(cls):
        cls.stack.stop()

    def req(self, ua, body=None, query=""):
        return self.stack.request(ua, body, query)

    def record(self, ua):
        reply = self.req(ua)
        try:
            return qp.parse_record_stream(reply)
        except qp.StreamError as e:
            self.fail("%s: %s: %r" % (ua, e, reply[:200]))

    def create(self, name):
        reply = self.req("CreateDB:%s;General" % name, query="?Author=Me&Name=%s&FileCode=F%s" % (name, name))
        self.assertEqual(reply, b"<HTML>database created</html>\r\n")

    def path(self, name):
        return os.path.join(self.stack.folder, name)

    def test_create_and_walk_records(self):
        self.create("walk")
        self.assertTrue(os.path.exists(self.path("walk.qnd")))
        self.assertEqual(self.req("CreateDB:walk;General"), b"<HTML>database already exists</html>\r\n")
        self.assertEqual(self.req("CreateDB:walk2;NoSuch"), b"<HTML>configuration not found</html>\r\n")
        self.assertEqual(self.req("H:walk"), b"<HTML>database found</HTML>\r\n")
        self.assertEqual(self.req("H:nothing"), b"<HTML>database not found</HTML>\r\n")

        first = self.record("F:walk")
        self.assertEqual(first["name"], "Untitled")
        self.assertEqual(first["details"][0], "1")  # "Item Number" counts records
        new = [self.record("E:walk") for _ in range(2)]
        codes = [first["code"]] + [r["code"] for r in new]
        self.assertEqual(len(set(codes)), 3)
        for code in codes:
            self.assertRegex(code, "^[A-Y][A-Z0-9]{7}$")
        self.assertEqual(new[1]["name"], "Untitled")
        self.assertEqual(self.record("N%s:walk" % codes[0])["code"], codes[1])
        self.assertEqual(self.record("N%s:walk" % codes[2])["code"], codes[2])
        self.assertEqual(self.record("P%s:walk" % codes[1])["code"], codes[0])
        self.assertEqual(self.record("P%s:walk" % codes[0])["code"], codes[0])
        self.assertEqual(self.record("G%s:walk" % codes[2])["code"], codes[2])

    def test_save_with_a_change_mask(self):
        self.create("save")
        rec = self.record("F:save")
        code = rec["code"]
        rec["name"] = "Telescope"
        rec["details"][1] = "Maker X"
        rec["others"][0] = "not flagged"
        rec["lists"][0] = ["always stored"]
        rec["attachment"] = "manual.pdf"
        rec["items"] = [(False, "", "")] * 4 + [(True, "Box", "yes")] + [(True, "Other", "x")] * 95
        rec["rich"] = bytes(range(256)) * 8
        flags = {(6, 0), (2, 1), (4, 5), (13, 0), (1, 0)}
        self.assertEqual(self.req("S%s:save" % code, qp.save_body(rec, flags)), b"<HTML>0</HTML>\r\n")
        back = self.record("G%s:save" % code)
        self.assertEqual(back["name"], "Telescope")
        self.assertEqual(back["details"][1], "Maker X")
        self.assertEqual(back["others"][0], "")
        self.assertEqual(back["lists"][0], ["always stored"])
        self.assertEqual(back["items"][4], (True, "Box", "yes"))
        self.assertEqual(back["items"][5], (False, "", ""))
        self.assertEqual(back["rich"], bytes(range(256)) * 8)
        self.stack.fold()
        db = qp.parse_database_file(open(self.path("save.qnd"), "rb").read())
        self.assertEqual(db["records"][0]["name"], "Telescope")
        self.assertEqual(db["header"][1], "General.atr")

        # No flags: only the read-only flag, the code, the two lists and the attachment string.
        rec2 = dict(back, name="Ignored", readonly=True, lists=[["a"], ["b"]], attachment="new.txt")
        rec2["details"] = ["x"] * 10
        self.assertEqual(self.req("S%s:save" % code, qp.save_body(rec2, set())), b"<HTML>0</HTML>\r\n")
        back2 = self.record("G%s:save" % code)
        self.assertEqual(back2["name"], "Telescope")
        self.assertEqual(back2["details"][1], "Maker X")
        self.assertTrue(back2["readonly"])
        self.assertEqual(back2["lists"], [["a"], ["b"]])
        self.assertEqual(back2["attachment"], "new.txt")

        # A short body is refused whole and the file stays as it was.
        before = open(self.path("save.qnd"), "rb").read()
        body = qp.save_body(dict(back2, name="Partial"), {(6, 0)})[:-40]
        self.assertEqual(self.req("S%s:save" % code, body), b"<HTML>Load Error%d<HTML>\r\n" % len(body))
        self.assertEqual(open(self.path("save.qnd"), "rb").read(), before)
        self.assertEqual(self.record("G%s:save" % code)["name"], "Telescope")

    def test_delete_removes_record_and_files(self):
        self.create("del")
        c0 = self.record("F:del")["code"]
        c1 = self.record("E:del")["code"]
        self.assertEqual(self.req("RS%s:del" % c1, b"attached\x00bytes"), b"<HTML>Resume%s.res1</HTML>\r\n" % c1.encode())
        self.assertEqual(self.req("IS2%s:del" % c1, b"\xff\xd8image"), b"<HTML>Resume%s.im21</HTML>\r\n" % c1.encode())
        self.assertEqual(self.req("RR%s:del" % c1), b"attached\x00bytes")
        self.assertEqual(self.req("IR2%s:del" % c1), b"\xff\xd8image")
        self.assertTrue(os.path.exists(self.path(c1 + ".im2")))
        self.assertEqual(self.record("D%s:del" % c1)["code"], c0)
        self.assertFalse(os.path.exists(self.path(c1 + ".res")))
        self.assertFalse(os.path.exists(self.path(c1 + ".im2")))
        self.assertEqual(self.req("DZZZZZZZZ:del"), b"<HTML>Error in Delete</HTML>\r\n")
        db = qp.parse_database_file(open(self.path("del.qnd"), "rb").read())
        self.assertEqual([r["code"] for r in db["records"]], [c0])

    def test_configuration_save_and_send(self):
        self.create("conf")
        c = qp.parse_configuration(self.req("CL:conf"))
        self.assertEqual(c["detail_names"][0], "Item Number")
        self.assertEqual(c["detail_kinds"][0], "Record Counter")
        self.assertIn((0, "Art:Paintings, prints and sculpture"), c["trees"][0])
        self.assertIn((1, "France:France"), c["trees"][2])
        self.assertEqual(c["info"][6], "1")
        c["detail_names"][2] = "Brand"
        c["detail_names"][3] = "not flagged"
        c["trees"][1] = ["New", "Used"]
        c["status"] = "Open"
        self.assertEqual(self.req("CS:conf", qp.configuration_body(c, {(2, 2), (5, 2)})), b"")
        back = qp.parse_configuration(self.req("CL:conf"))
        self.assertEqual(back["detail_names"][2], "Brand")
        self.assertEqual(back["detail_names"][3], "Serial Number")
        self.assertEqual(back["trees"][1], [(0, "New"), (0, "Used")])
        self.assertEqual(back["status"], "Open")
        self.assertEqual(back["info"][0], "conf")
        self.assertEqual(self.req("CS:conf", qp.configuration_body(c, set())[:-7]),
                         b"<HTML>Error in Configuration Load</HTML>\r\n")

    def test_second_database_saves_the_first(self):
        self.create("one")
        self.create("two")
        code = self.record("E:one")["code"]
        self.record("F:two")
        # Back in "one" (loaded again from its file), the new record is there.
        self.assertEqual(self.record("G%s:one" % code)["code"], code)
        db = qp.parse_database_file(open(self.path("one.qnd"), "rb").read())
        self.assertEqual(len(db["records"]), 2)
        self.assertEqual(db["info"][6], "2")

    def test_unknown_commands(self):
        self.create("misc")
        self.assertEqual(self.req("Q:misc"), INVALID)
        self.assertEqual(self.req("Z:misc", query="?Function=Nothing"), b"<HTML>Function not defined</HTML>\r\n")
        self.assertEqual(self.req("RQ:misc"), b"")
        self.assertEqual(self.req("USERLIST:misc"), b"<HTML>Error in file retreive for userlist.dat</HTML>\r\n")

    def test_path_traversal_is_refused(self):
        self.create("safe")
        code = self.record("F:safe")["code"]
        outside = os.path.join(self.stack.root, "outside")
        os.makedirs(outside)
        with open(os.path.join(outside, "victim.qnd"), "wb") as f:
            f.write(b"keep")
        before = sorted(os.listdir(self.stack.root)) + sorted(os.listdir(outside))
        attempts = ["F:../../outside/victim", "S%s:../../outside/victim" % code, "E:/tmp/qn_evil",
                    "F:..\\x", "F:.hidden", "F:", "Fsafe", "CreateDB:../../outside/new;General",
                    "CreateDB:new;../../Data/database/General", "RS../../ou:safe", "RR../../outsi:safe",
                    "IS1../../out:safe", "IR9%s:safe" % code, "D../../../:safe", "F:" + "a" * 65]
        for ua in attempts:
            self.assertEqual(self.req(ua, b"x" * 3000), INVALID, ua)
        self.assertEqual(self.req("F:safe", query="?Database=..%2F..%2Foutside%2Fvictim"), INVALID)
        self.assertEqual(sorted(os.listdir(self.stack.root)) + sorted(os.listdir(outside)), before)
        self.assertEqual(open(os.path.join(outside, "victim.qnd"), "rb").read(), b"keep")
        self.assertFalse(os.path.exists("/tmp/qn_evil.qnd"))
        self.assertEqual(self.record("G%s:safe" % code)["code"], code)


class PrivateFiles(unittest.TestCase):
    """What the server program writes is its user's alone, whatever umask the web server has."""

    def test_files_and_folders_are_the_server_users_alone(self):
        for umask in (0o000, 0o002):
            stack = ServerStack(umask=umask)
            try:
                self.check(stack, umask)
            finally:
                stack.stop()

    def check(self, stack, umask):
        def mode(name):
            return os.stat(os.path.join(stack.folder, name)).st_mode & 0o7777

        reply = stack.request("CreateDB:priv;General", query="?Name=priv&FileCode=Fpriv")
        self.assertEqual(reply, b"<HTML>database created</html>\r\n")
        code = qp.parse_record_stream(stack.request("E:priv"))["code"]
        rec = dict(qp.parse_record_stream(stack.request("G%s:priv" % code)), name="Private")
        self.assertEqual(stack.request("S%s:priv" % code, qp.save_body(rec, {(6, 0)})), b"<HTML>1</HTML>\r\n")
        self.assertEqual(stack.request("RS%s:priv" % code, b"attached"), b"<HTML>Resume%s.res1</HTML>\r\n" % code.encode())
        self.assertEqual(stack.request("IS3%s:priv" % code, b"picture"), b"<HTML>Resume%s.im31</HTML>\r\n" % code.encode())
        stack.request("Y:priv")  # the search index
        self.assertTrue(os.path.exists(os.path.join(stack.folder, "priv.qnd.jnl")))
        journal_mode = mode("priv.qnd.jnl")
        stack.fold()  # the database written whole, the journal begun anew
        files = ["priv.qnd", "priv.qnd.jnl", "priv.qnd.sea", code + ".res", code + ".im3",
                 "Log/qnserver.Log"]
        found = {name: oct(mode(name)) for name in files}
        self.assertEqual(found, {name: oct(0o600) for name in files}, "umask %03o" % umask)
        self.assertEqual(oct(journal_mode), oct(0o600), "umask %03o" % umask)
        for folder in ("Log", "Temp"):
            self.assertEqual(mode(folder), 0o700, "%s, umask %03o" % (folder, umask))
        # Nothing else the server made is open to others.
        for top, dirs, names in os.walk(stack.folder):
            for name in dirs + names:
                path = os.path.join(top, name)
                st = os.lstat(path)
                if path == stack.program or name.endswith((".set", ".atr")) or not os.path.isfile(path) and not os.path.isdir(path):
                    continue
                self.assertEqual(st.st_mode & 0o077, 0, "%s %o, umask %03o" % (path, st.st_mode, umask))


class CrashDuringSave(unittest.TestCase):
    """SIGKILL of the resident instance in the middle of a save leaves a loadable file."""

    def test_kill_during_save(self):
        stack = ServerStack()
        try:
            rich = (b"{\\rtf1 " + b"x" * 8000 + b"}")
            records = []
            for i in range(8000):
                rec = qp.new_record()
                rec.update(code="K%07d" % i, name="Record %d" % i, rich=rich,
                           details=["detail %d" % i] * 10, grid3_rows=2, grid4_rows=2)
                records.append(rec)
            original = qp.write_database_file(records)
            path = os.path.join(stack.folder, "big.qnd")
            with open(path, "wb") as f:
                f.write(original)
            self.assertEqual(qp.parse_record_stream(stack.request("GK0000005:big"))["name"], "Record 5")
            pids = resident_pids(stack.program)
            self.assertEqual(len(pids), 1)

            # The save is acknowledged from the journal; the file is written whole when the
            # database is closed (here: by opening another), on a thread of the resident, and
            # that write is killed.
            rec = dict(records[5], name="Renamed")
            body = qp.save_body(rec, {(6, 0)})
            killed_mid_save = False
            for _attempt in range(5):
                self.assertEqual(stack.request("SK0000005:big", body), b"<HTML>5</HTML>\r\n")
                pids = resident_pids(stack.program)
                curl = subprocess.Popen(["curl", "-s", "--max-time", "30", "-A", "H:other", stack.url],
                                        stdout=subprocess.DEVNULL)
                # The whole write runs on a thread of the resident, during the request or after it.
                deadline = time.time() + 20
                while time.time() < deadline:
                    if any(n.startswith("big.qnd.tmp") for n in os.listdir(stack.folder)):
                        os.kill(pids[0], signal.SIGKILL)
                        killed_mid_save = True
                        break
                    time.sleep(0.001)
                curl.kill()
                curl.wait()
                if killed_mid_save:
                    break
            self.assertTrue(killed_mid_save, "no save was caught under way")
            deadline = time.time() + 5
            while resident_pids(stack.program) and time.time() < deadline:
                time.sleep(0.05)
            with open(path, "rb") as f:
                after = f.read()
            db = qp.parse_database_file(after)  # whole and loadable
            self.assertEqual(len(db["records"]), 8000)
            self.assertIn(db["records"][5]["name"], ("Record 5", "Renamed"))
            if db["records"][5]["name"] == "Record 5":
                self.assertEqual(after, original)
            # A new resident instance opens it with the acknowledged change, and removes the
            # copy the killed write left.
            self.assertEqual(qp.parse_record_stream(stack.request("GK0000005:big"))["name"], "Renamed")
            self.assertEqual([n for n in os.listdir(stack.folder) if ".tmp" in n], [])
        finally:
            stack.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)

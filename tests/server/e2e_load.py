"""The record server below the local web server under load and kills: parallel requests, the
resident killed with SIGKILL while saves run, and the files the web server refuses.

    e2e_load.py SOURCE_DIR SERVER_PROGRAM DEFINITION_FOLDER
"""

import http.client
import os
import random
import signal
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_server as es  # noqa: E402  (takes the three arguments)
import qn_protocol as qp  # noqa: E402

NAME_FLAG = {(6, 0)}


def http_request(port, ua, body=None, path="/database/qnserver.exe", timeout=120):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
    try:
        headers = {"User-Agent": ua}
        if body is not None:
            headers["Content-Type"] = "multipart/form-data"
        conn.request("POST" if body is not None else "GET", path, body=body, headers=headers)
        response = conn.getresponse()
        return response.status, response.read()
    finally:
        conn.close()


def save(port, code, name):
    rec = qp.new_record()
    rec["code"] = code
    rec["name"] = name
    return http_request(port, "S%s:load" % code, qp.save_body(rec, NAME_FLAG))


def new_codes(port, count):
    """The codes of count new records (a save only stores into a record that is there)."""
    codes = []
    for _ in range(count):
        status, reply = http_request(port, "E:load")
        codes.append(qp.parse_record_stream(reply)["code"])
    return codes


class Load(unittest.TestCase):
    def setUp(self):
        self.stack = es.ServerStack()
        status, reply = http_request(self.stack.port, "CreateDB:load;General")
        self.assertEqual(reply, b"<HTML>database created</html>\r\n")

    def tearDown(self):
        self.stack.stop()

    def names(self):
        """Code -> name of every record, read back record by record from the first."""
        out = {}
        status, reply = http_request(self.stack.port, "F:load")
        rec = qp.parse_record_stream(reply)
        while rec["code"] not in out:
            out[rec["code"]] = rec["name"]
            status, reply = http_request(self.stack.port, "N%s:load" % rec["code"])
            rec = qp.parse_record_stream(reply)
        return out

    def test_parallel_requests_lose_no_reply(self):
        count = 300
        codes = new_codes(self.stack.port, count)
        results = [None] * count
        start = threading.Barrier(count)

        def client(i):
            start.wait()
            try:
                results[i] = save(self.stack.port, codes[i], "Parallel %d" % i)
            except Exception as e:  # noqa: BLE001  (reported below)
                results[i] = (0, repr(e).encode())

        threads = [threading.Thread(target=client, args=(i,)) for i in range(count)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        bad = [(i, r) for i, r in enumerate(results)
               if r[0] != 200 or not r[1].startswith(b"<HTML>") or b"Error" in r[1]]
        self.assertEqual(bad[:5], [])
        names = self.names()
        for i in range(count):
            self.assertEqual(names.get(codes[i]), "Parallel %d" % i)

    def test_kills_during_saves_lose_no_acknowledged_write(self):
        codes = new_codes(self.stack.port, 40)
        acknowledged = {}  # code -> the name of its last acknowledged save
        later = {}  # code -> names sent after that, unacknowledged: stored or not
        stop = threading.Event()
        kills = []

        def killer():
            rng = random.Random(7)
            while not stop.is_set():
                time.sleep(rng.uniform(0.1, 0.5))
                for pid in es.resident_pids(self.stack.program):
                    try:
                        os.kill(pid, signal.SIGKILL)
                        kills.append(pid)
                    except ProcessLookupError:
                        pass

        thread = threading.Thread(target=killer)
        thread.start()
        try:
            # At least 100 saves, and on until the killer has struck a few times (saves are
            # quick, so 100 of them may all fall between two kills).
            deadline = time.monotonic() + 60
            i = -1
            while True:
                i += 1
                if i >= 100 and (len(kills) > 5 or time.monotonic() > deadline or i >= 5000):
                    break
                # A big rich text makes every save a real write.
                rec = qp.new_record()
                rec["code"] = codes[i % 40]
                rec["name"] = "Save %d" % i
                rec["rich"] = b"x" * 20000
                later.setdefault(rec["code"], []).append(rec["name"])
                try:
                    status, reply = http_request(self.stack.port, "S%s:load" % rec["code"],
                                                 qp.save_body(rec, NAME_FLAG | {(13, 0)}), timeout=30)
                except OSError:
                    continue
                if status == 200 and reply.startswith(b"<HTML>") and b"Error" not in reply:
                    acknowledged[rec["code"]] = rec["name"]
                    later[rec["code"]] = []
        finally:
            stop.set()
            thread.join()
        self.assertGreater(len(kills), 3)
        self.assertGreater(len(acknowledged), 10)
        names = self.names()  # the next open after the last kill
        for code, name in acknowledged.items():
            self.assertIn(names.get(code), [name] + later[code], code)
        left = [n for n in os.listdir(self.stack.folder) if ".tmp" in n]
        self.assertEqual(left, [])

    def test_the_web_server_answers_only_the_program(self):
        http_request(self.stack.port, "E:load")
        port = self.stack.port
        for path in ("/database/load.qnd", "/database/General.set", "/database/General.atr",
                     "/database/dbdefinition.dat", "/database/", "/", "/database/QNSERVER.EXE",
                     "/database/qnserver.exe/../load.qnd", "/database/load.qnd.jnl",
                     "/database/Temp/qnserver.exe_S", "/database/%6Coad.qnd"):
            status, body = http_request(port, "F:load", path=path)
            self.assertIn(status, (403, 404), path)
            self.assertNotIn(b"Untitled", body, path)
        status, body = http_request(port, "F:load")
        self.assertEqual(status, 200)
        self.assertEqual(qp.parse_record_stream(body)["name"], "Untitled")


if __name__ == "__main__":
    unittest.main()

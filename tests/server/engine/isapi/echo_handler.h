// The request handler that both the extension library of the host test and the test's own CGI
// engine run, so that their replies can be compared byte for byte.  The User-Agent text picks:
//   "fail"      raises an exception;
//   "slow"      holds the request 30 ms and counts the requests in flight at the same time;
//   "location"  redirects to the query field "to";
//   other       echoes "UA=", "ID=" (the query field "id"), "LEN=" and the body.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "server/engine/request_api.h"

inline std::atomic<int> gEchoInFlight{0};
inline std::atomic<int> gEchoMostInFlight{0};

inline void EchoRequest(TObject*) {
  std::string agent, id;
  GetUserAgent(agent);
  GetField("id", "", id);
  if (agent == "fail") throw Exception("boom");
  if (agent == "location") {
    std::string to;
    GetField("to", "", to);
    AddHeader("Location", to);
    return;
  }
  if (agent == "slow") {
    const int now = ++gEchoInFlight;
    for (int most = gEchoMostInFlight; now > most && !gEchoMostInFlight.compare_exchange_weak(most, now);) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    --gEchoInFlight;
  }
  std::vector<char> body(static_cast<size_t>(GetContentLength()));
  const int got = body.empty() ? 0 : ReadBytes(body.data(), static_cast<int>(body.size()));
  WriteString("");
  WriteString("UA=" + agent);
  WriteString("ID=" + id);
  WriteString("LEN=" + std::to_string(got));
  if (got > 0) WriteBytes(body.data(), got);
  if (agent == "slow") WriteString("MOST=" + std::to_string(gEchoMostInFlight.load()));
}

// A transport double for tests: keeps every request in order and answers from a reply function
// (which may raise to play a failed transfer), or passes the request on to another transport.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "client/core/server_requests.h"

class TRecordingTransport : public TServerTransport {
public:
  TRecordingTransport() = default;
  // Passes every request on to Inner once recorded.
  explicit TRecordingTransport(TServerTransport& Inner) : FInner(&Inner) {}

  std::vector<TClientRequest> Requests;
  // Answers when there is no inner transport (an empty reply without one).
  std::function<std::string(const TClientRequest&)> Reply;
  // Raised for every request while set (the server is gone).
  bool Fail = false;

  std::string Send(const TClientRequest& Request) override {
    Requests.push_back(Request);
    if (Fail) throw ERequestFailed("connection refused");
    if (FInner) return FInner->Send(Request);
    return Reply ? Reply(Request) : std::string();
  }

  // The User-Agent of each request, in order.
  std::vector<std::string> Commands() const {
    std::vector<std::string> Out;
    for (const auto& R : Requests) Out.push_back(R.UserAgent);
    return Out;
  }
  // The command part of each User-Agent (before the first ":"), in order.
  std::vector<std::string> Verbs() const {
    std::vector<std::string> Out;
    for (const auto& R : Requests) Out.push_back(R.UserAgent.substr(0, R.UserAgent.find(':')));
    return Out;
  }
  void Clear() { Requests.clear(); }

private:
  TServerTransport* FInner = nullptr;
};

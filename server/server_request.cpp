#include "server/server_request.h"

#include <algorithm>
#include <cstring>

std::string TMemoryRequest::GetField(const std::string& Name) {
  const auto Found = Fields.find(Name);
  return Found == Fields.end() ? std::string() : Found->second;
}

int TMemoryRequest::ReadBytes(void* Buffer, int Count) {
  const std::size_t Left = Body.size() - FBodyPos;
  const std::size_t Take = std::min<std::size_t>(Left, Count > 0 ? static_cast<std::size_t>(Count) : 0);
  std::memcpy(Buffer, Body.data() + FBodyPos, Take);
  FBodyPos += Take;
  return static_cast<int>(Take);
}

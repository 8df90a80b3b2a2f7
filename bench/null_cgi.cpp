// The do-nothing CGI program that handover_bench sets beside the server program: it answers
// every request at once with a fixed reply of a text/html body of as many bytes as the query
// string says ("?5000"; none when it says nothing), and reads nothing.  It is linked as the server
// program is, so the two differ only in what they do.
#include <unistd.h>

#include <cstdlib>
#include <cstring>

int main() {
  const char* Query = std::getenv("QUERY_STRING");
  long Size = Query ? std::strtol(Query, nullptr, 10) : 0;
  if (Size < 0 || Size > (1 << 20)) Size = 0;
  static char Reply[(1 << 20) + 256];
  int Head = 0;
  const char Start[] = "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\nContent-Length: ";
  std::memcpy(Reply, Start, sizeof Start - 1);
  Head = sizeof Start - 1;
  char Digits[24];
  int Count = 0;
  for (long N = Size; Count == 0 || N > 0; N /= 10) Digits[Count++] = static_cast<char>('0' + N % 10);
  while (Count > 0) Reply[Head++] = Digits[--Count];
  std::memcpy(Reply + Head, "\r\n\r\n", 4);
  Head += 4;
  std::memset(Reply + Head, 'x', static_cast<size_t>(Size));
  for (long Done = 0, Total = Head + Size; Done < Total;) {
    const ssize_t Wrote = ::write(1, Reply + Done, static_cast<size_t>(Total - Done));
    if (Wrote <= 0) return 1;
    Done += Wrote;
  }
  return 0;
}

// A stand-in for the system GPIB library: exports the NI-style calls, records each one with
// its arguments, answers reads from a reply set by the test, and fails on request. Built in
// variants: without ThreadIbcntl (FAKE_NO_IBCNTL), with RegisterGpibGlobalsForThread
// (FAKE_REGISTER), and without ibrd (FAKE_NO_IBRD).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr int kErr = 0x8000, kCmpl = 0x0100, kEnd = 0x2000;

std::string calls;  // one line per call: "ibdev 0 7 0 13 1 0"
// What a read returns; a program run by a test finds it in FAKE_GPIB_REPLY.
std::string reply = std::getenv("FAKE_GPIB_REPLY") ? std::getenv("FAKE_GPIB_REPLY") : "";
std::string failing;  // the call that fails, with failError
int failError = 0, registerResult = 0;
int sta = 0, err = 0, cnt = 0;
struct Words {
  int *sta, *err, *cnt;
  long* cntl;
} reg{};  // the status words registered by the caller

std::string text(long v) { return std::to_string(v); }
std::string text(const std::string& s) { return s; }

// Records the call with its arguments and sets the status words it leaves.
template <typename... Args>
int call(const std::string& name, long count, Args... args) {
  calls += name;
  ((calls += " " + text(args)), ...);
  calls += "\n";
  const bool failed = failing == name;
  sta = failed ? kErr | kCmpl : kCmpl | (name == "ibrd" ? kEnd : 0);
  err = failed ? failError : 0;
  cnt = failed ? 0 : static_cast<int>(count);
  if (reg.sta != nullptr) *reg.sta = sta, *reg.err = err, *reg.cnt = cnt, *reg.cntl = cnt;
  return sta;
}
}  // namespace

// Control, used by the tests: the calls made since the last look, and what the next calls do.
FAKE_EXPORT const char* fake_calls() {
  static std::string seen;
  seen = std::exchange(calls, "");
  return seen.c_str();
}
FAKE_EXPORT void fake_set(const char* t, long n, const char* fail, int error, int registration) {
  reply.assign(t, static_cast<size_t>(n));
  failing = fail, failError = error, registerResult = registration;
}

// The driver's calls.
FAKE_EXPORT int ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
  call("ibdev", 0, board, pad, sad, tmo, eot, eos);
  return failing == "ibdev" ? -1 : 42;
}
FAKE_EXPORT int ibclr(int ud) { return call("ibclr", 0, ud); }
FAKE_EXPORT int ibwrt(int ud, void* data, long n) {
  return call("ibwrt", n, ud, std::string(static_cast<const char*>(data), static_cast<size_t>(n)),
              n);
}
#ifndef FAKE_NO_IBRD
FAKE_EXPORT int ibrd(int ud, void* buffer, long count) {
  const size_t n = std::min(reply.size(), static_cast<size_t>(count));
  std::memcpy(buffer, reply.data(), n);
  return call("ibrd", static_cast<long>(reply.size()), ud, count);  // counts all, as some do
}
#endif
FAKE_EXPORT int ibloc(int ud) { return call("ibloc", 0, ud); }
FAKE_EXPORT int ibonl(int ud, int v) { return call("ibonl", 0, ud, v); }

#ifdef FAKE_REGISTER
FAKE_EXPORT int RegisterGpibGlobalsForThread(int* s, int* e, int* c, long* cl) {
  calls += "register\n";
  if (registerResult == 0 || registerResult == 1) reg = {s, e, c, cl};
  return registerResult;
}
FAKE_EXPORT int UnregisterGpibGlobalsForThread() {
  calls += "unregister\n";
  reg = {};
  return 0;
}
#else
FAKE_EXPORT int ThreadIbsta() { return sta; }
FAKE_EXPORT int ThreadIberr() { return err; }
#ifndef FAKE_NO_IBCNTL
// Where ThreadIbcntl exists, ThreadIbcnt answers wrongly, so a read shows which one was asked.
FAKE_EXPORT int ThreadIbcnt() { return cnt + 1; }
FAKE_EXPORT long ThreadIbcntl() { return cnt; }
#else
FAKE_EXPORT int ThreadIbcnt() { return cnt; }
#endif
#endif

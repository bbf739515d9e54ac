// A stand-in for the system GPIB library: exports the NI-style calls, records each one with
// its arguments, answers reads from a reply set by the test, and fails on request. Built in
// variants: without ThreadIbcntl (FAKE_NO_IBCNTL), with RegisterGpibGlobalsForThread
// (FAKE_REGISTER), and without ibrd (FAKE_NO_IBRD).
#include <algorithm>
#include <cstring>
#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr int kErr = 0x8000;
constexpr int kCmpl = 0x0100;
constexpr int kEnd = 0x2000;

std::string calls;  // one line per call: "ibdev 0 7 0 13 1 0"
std::string reply;
std::string failing;  // name of the call that fails, with its iberr
int failError = 0;
int registerResult = 0;
int ibcntCalls = 0;
int ibcntlCalls = 0;

int sta = 0;
int err = 0;
long cnt = 0;

// Words registered by the caller, when it registers them.
int* regSta = nullptr;
int* regErr = nullptr;
int* regCnt = nullptr;
long* regCntl = nullptr;

int finish(const char* name, long count) {
  if (failing == name) {
    sta = kErr | kCmpl;
    err = failError;
    cnt = 0;
  } else {
    sta = kCmpl | (std::strcmp(name, "ibrd") == 0 ? kEnd : 0);
    err = 0;
    cnt = count;
  }
  if (regSta != nullptr) {
    *regSta = sta;
    *regErr = err;
    *regCnt = static_cast<int>(cnt);
    *regCntl = cnt;
  }
  return sta;
}

void record(const std::string& line) { calls += line + "\n"; }
}  // namespace

// Control, used by the tests.
FAKE_EXPORT void fake_reset() {
  calls.clear();
  reply.clear();
  failing.clear();
  failError = 0;
  registerResult = 0;
  ibcntCalls = ibcntlCalls = 0;
  sta = err = 0;
  cnt = 0;
}
FAKE_EXPORT const char* fake_calls() { return calls.c_str(); }
FAKE_EXPORT void fake_set_reply(const char* text, long length) {
  reply.assign(text, static_cast<size_t>(length));
}
FAKE_EXPORT void fake_fail(const char* name, int error) {
  failing = name;
  failError = error;
}
FAKE_EXPORT void fake_set_register_result(int result) { registerResult = result; }
// How often the status functions for the count were asked: 0 ThreadIbcnt, 1 ThreadIbcntl.
FAKE_EXPORT int fake_count_calls(int which) { return which == 0 ? ibcntCalls : ibcntlCalls; }

// The driver's calls.
FAKE_EXPORT int ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
  record("ibdev " + std::to_string(board) + " " + std::to_string(pad) + " " + std::to_string(sad) +
         " " + std::to_string(tmo) + " " + std::to_string(eot) + " " + std::to_string(eos));
  finish("ibdev", 0);
  return failing == "ibdev" ? -1 : 42;
}
FAKE_EXPORT int ibclr(int ud) {
  record("ibclr " + std::to_string(ud));
  return finish("ibclr", 0);
}
FAKE_EXPORT int ibwrt(int ud, void* data, long count) {
  record("ibwrt " + std::to_string(ud) + " " +
         std::string(static_cast<const char*>(data), static_cast<size_t>(count)) + " " +
         std::to_string(count));
  return finish("ibwrt", count);
}
#ifndef FAKE_NO_IBRD
FAKE_EXPORT int ibrd(int ud, void* buffer, long count) {
  record("ibrd " + std::to_string(ud) + " " + std::to_string(count));
  const size_t n = std::min(reply.size(), static_cast<size_t>(count));
  std::memcpy(buffer, reply.data(), n);
  return finish("ibrd", static_cast<long>(n));
}
#endif
FAKE_EXPORT int ibloc(int ud) {
  record("ibloc " + std::to_string(ud));
  return finish("ibloc", 0);
}
FAKE_EXPORT int ibonl(int ud, int v) {
  record("ibonl " + std::to_string(ud) + " " + std::to_string(v));
  return finish("ibonl", 0);
}

#ifdef FAKE_REGISTER
FAKE_EXPORT int RegisterGpibGlobalsForThread(int* s, int* e, int* c, long* cl) {
  record("register");
  if (registerResult == 0 || registerResult == 1) {
    regSta = s;
    regErr = e;
    regCnt = c;
    regCntl = cl;
  }
  return registerResult;
}
FAKE_EXPORT int UnregisterGpibGlobalsForThread() {
  record("unregister");
  regSta = nullptr;
  regErr = nullptr;
  regCnt = nullptr;
  regCntl = nullptr;
  return 0;
}
#else
FAKE_EXPORT int ThreadIbsta() { return sta; }
FAKE_EXPORT int ThreadIberr() { return err; }
FAKE_EXPORT int ThreadIbcnt() {
  ++ibcntCalls;
  return static_cast<int>(cnt);
}
#ifndef FAKE_NO_IBCNTL
FAKE_EXPORT long ThreadIbcntl() {
  ++ibcntlCalls;
  return cnt;
}
#endif
#endif

// logiremctl write --verify on the simulated analyser: a write the analyser took is confirmed;
// one it refused (frames past its setup memory) says "Wrote" without the option, and with
// it is a write error naming the first address that differs.
#include "cli/Ctl.h"

TEST_F(FileFixture, VerifyReadsBackWhatWasWritten) {
  write(
      "past.cnf",
      [](MemoryImages& m) {
        m.SetupLen = 1000;
        m.SetupMem[800] ^= 0x55;
      },
      kConfiguration);
  const std::string refused =
      "Logirem: Data write error\n  The analyser holds something else at address 10320 (read "
      "back after the write)\n";
  for (const auto& [words, status, err] :
       {std::tuple{"write setup CNF --verify", 0, ""},
        {"write --verify acq DAT", 0, ""},
        {"write setup @/past.cnf", 0, ""},
        {"write setup @/past.cnf --verify", 1, refused.c_str()}}) {
    const CtlRun r = Ctl(QStringList{"--interface", "sim"} + this->words(words));
    EXPECT_EQ(std::pair(r.status, r.err), std::pair(status, std::string(err))) << words;
  }
}

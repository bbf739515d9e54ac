// The emulator's TCP side serving several clients, in this process so that its descriptors
// can be counted.
#include <gtest/gtest.h>

#include <QTcpSocket>
#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

#include "backend/AdapterEmulator.h"

namespace {
int OpenDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
}

struct Client {
  explicit Client(uint16_t port) { socket.connectToHost("127.0.0.1", port); }
  bool connected() { return socket.waitForConnected(3000); }
  // The adapter's answer to "++ver" within waitMs, or what came (nothing) when it is busy.
  std::string version(int waitMs) {
    if (socket.bytesToWrite() == 0 && !asked) {
      socket.write("++ver\n");
      socket.waitForBytesWritten(1000);
      asked = true;
    }
    while (!socket.canReadLine() && socket.waitForReadyRead(waitMs)) {
    }
    return socket.readAll().toStdString();
  }
  QTcpSocket socket;
  bool asked = false;
};

// The emulator in a thread of its own, listening on a free loopback port.
struct Served {
  Served() {
    std::promise<uint16_t> where;
    thread = std::thread([this, &where] {
      std::string why;
      emulator.serve(
          "tcp:127.0.0.1:0", stop,
          [&](const std::string& at) {
            where.set_value(static_cast<uint16_t>(std::stoi(at.substr(at.rfind(':') + 1))));
          },
          why);
    });
    port = where.get_future().get();
  }
  ~Served() {
    stop = true;
    thread.join();
  }
  AdapterEmulator emulator{EmulatorOptions{}};
  std::atomic<bool> stop{false};
  std::thread thread;
  uint16_t port = 0;
};
}  // namespace

// Two clients that connect together are both served, the second once the first has gone;
// a hundred such pairs leave no descriptor behind. A client that comes later, while another
// is served, is closed at once.
TEST(EmulatorServe, ClientsArrivingTogetherAreServedInTurnAndLateOnesTurnedAway) {
  Served served;
  const int before = OpenDescriptors();
  for (int pair = 0; pair < 100; ++pair) {
    Client first(served.port), second(served.port);
    ASSERT_TRUE(first.connected() && second.connected()) << pair;
    EXPECT_NE(first.version(3000), "") << pair;
    if (pair == 0) {
      EXPECT_EQ(second.version(200), "");  // not while the first is served
    }
    first.socket.close();
    EXPECT_NE(second.version(3000), "") << pair;
  }
  for (int tries = 0; tries < 100 && OpenDescriptors() != before; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(OpenDescriptors(), before);

  Client held(served.port);
  ASSERT_NE(held.version(3000), "");
  std::this_thread::sleep_for(std::chrono::milliseconds(AdapterEmulator::kSameMomentMs + 100));
  Client late(served.port);
  ASSERT_TRUE(late.connected());
  EXPECT_EQ(late.version(3000), "");
  EXPECT_EQ(late.socket.state(), QAbstractSocket::UnconnectedState);
  held.socket.close();
  Client next(served.port);
  EXPECT_NE(next.version(3000), "");
}

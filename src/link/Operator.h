#pragma once
// The one way the link, transfer and file code reach the person at the keyboard. The main
// window implements it with message boxes, the busy cursor and the system beep; the command
// line tool prints to stderr; tests record every call.
#include <cstdint>
#include <string>

enum class MsgIcon { None, Information, Critical, Question, Exclamation };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

class Operator {
 public:
  virtual ~Operator() = default;
  // Shows a message and waits for the answer. An empty title means the program's default
  // title ("Logirem").
  virtual MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                            MsgButtons buttons) = 0;
  // The hourglass pointer while a transfer runs; setting it yields to the event loop once so
  // that it shows before the driver blocks.
  virtual void setBusy(bool busy) = 0;
  virtual void beep() = 0;
  // The main window's GPIB settings command: close the connection, show the settings
  // dialog, identify the analyser again.
  virtual void openGpibSettings() = 0;
  // How many checksum reports one decode shows one by one before a single message counts the
  // rest; 0 shows them all. A crafted line can hold thousands of bad frames, and nobody can
  // click through thousands of message boxes.
  virtual int checksumReportLimit() const { return 0; }
  // Bytes moved so far in the current transfer, of those expected (0 when not known in
  // advance, as for a reply). Called on the thread running the transfer.
  virtual void progress(int64_t done, int64_t expected) {
    (void)done;
    (void)expected;
  }
  // True once the operator asked to stop: the transfer then ends as a failed one after the
  // driver call in progress returns, and changes no image.
  virtual bool cancelled() const { return false; }
};

#pragma once
// Runs the real logiremctl program (or a tool that reads its output) and
// collects what it printed; the built-in images written by logiremctl defaults
// into a temporary folder.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <functional>
#include <sstream>

#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "support/Files.h"
#include "support/TempDir.h"

struct CtlRun {
  int status = -1;  // -1: it crashed or hung
  std::string out, err;
};

// library, when given, is the system GPIB library logiremctl is told to load;
// configHome, when given, is where it finds the window program's stored
// settings.
inline CtlRun Tool(const QString& program, const QStringList& args, const QString& library = {},
                   const QString& configHome = {}) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!library.isEmpty()) env.insert("LOGIREM_GPIB_LIBRARY", library);
  if (!configHome.isEmpty()) env.insert("XDG_CONFIG_HOME", configHome);
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {};
  return {p.exitCode(), p.readAllStandardOutput().toStdString(),
          p.readAllStandardError().toStdString()};
}
inline CtlRun Ctl(const QStringList& args, const QString& library = {},
                  const QString& configHome = {}) {
  return Tool(LOGIREM_BINARY_DIR "/src/cli/logiremctl", args, library, configHome);
}
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// A trailing comma gives a last, empty cell.
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  if (separator == ',' && !text.empty() && text.back() == ',') parts.emplace_back();
  return parts;
}

class FileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Ctl({"defaults", "--setup", Q(cnf), "--acq", Q(dat)}).status, 0);
  }
  // A file of the built-in images after a change.
  QString write(const std::string& name, const std::function<void(MemoryImages&)>& change,
                int32_t kind = kAcquisition) {
    MemoryImages images;
    LoadDefaultImages(images, nullptr);
    change(images);
    EXPECT_TRUE(WriteFile(dir.file(name), images, kind, 0));
    return Q(dir.file(name));
  }
  // CNF and DAT stand for the two files, @ for the folder.
  std::string expand(std::string text) const {
    for (const auto& [from, to] :
         {std::pair{"CNF", cnf}, {"DAT", dat}, {"@", dir.path().string()}}) {
      for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, std::string(from).size(), to);
    }
    return text;
  }
  QStringList words(const std::string& line) const {
    return Q(expand(line)).split(' ', Qt::SkipEmptyParts);
  }
  TempDir dir;
  std::string cnf = dir.file("default.cnf"), dat = dir.file("default.dat");
};

// logiremctl listing and compare: a capture as a value table, and two captures side by side.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/CliCommands.h"
#include "cli/StderrOperator.h"
#include "export/CaptureCompare.h"
#include "export/Listing.h"
#include "memory/DataFiles.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

namespace {
// Loads one file of the kind into the images; on failure says why on stderr.
bool loadInto(const std::string& file, MemoryImages& images, int32_t kind) {
  if (!CanOpen(file)) {
    std::cerr << "logiremctl: " << file << ": cannot open the file\n";
    return false;
  }
  StderrOperator op;
  if (!ReadFile(file, images, kind, &op)) {
    std::cerr << "logiremctl: " << file << ": Bad " << KindWord(kind) << " data\n";
    return false;
  }
  return true;
}

struct TableArgs {
  std::vector<std::string> files;
  std::string setup, find;
  bool json = false;
};

std::string parseTableArgs(const std::vector<std::string>& args, bool compare, TableArgs& out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--setup") {
      if (!hasValue) return "--setup needs a configuration file";
      out.setup = args[++i];
    } else if (!compare && a == "--find") {
      if (!hasValue) return "--find needs LABEL=PATTERN";
      out.find = args[++i];
    } else if (compare && a == "--json") {
      out.json = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else {
      out.files.push_back(a);
    }
  }
  const size_t wanted = compare ? 2 : 1;
  if (out.files.size() != wanted) {
    return compare ? "compare needs two acquisition files" : "listing needs one acquisition file";
  }
  return {};
}

QJsonObject compareJson(const CaptureCompare& result) {
  QJsonArray header, lines;
  for (const auto& [field, a, b] : result.header()) {
    header.append(QJsonObject{{"field", QString::fromStdString(field)},
                              {"a", QString::fromStdString(a)},
                              {"b", QString::fromStdString(b)}});
  }
  for (const auto& line : result.lines()) {
    QJsonArray ranges;
    for (const auto& [from, to] : line.ranges) ranges.append(QJsonArray{from, to});
    lines.append(QJsonObject{{"name", QString::fromStdString(line.name)}, {"ranges", ranges}});
  }
  return {{"identical", result.identical()}, {"header", header}, {"lines", lines}};
}
}  // namespace

int RunListing(const std::vector<std::string>& args) {
  TableArgs a;
  if (const std::string why = parseTableArgs(args, false, a); !why.empty()) return UsageError(why);
  auto images = std::make_unique<MemoryImages>();
  // Trouble is 2, as for grep: 1 means no row matched.
  if (!loadInto(a.files[0], *images, kAcquisition)) return 2;
  if (!a.setup.empty() && !loadInto(a.setup, *images, kConfiguration)) return 2;
  const SetupModel setup(images->SetupMem);
  const Listing listing(images->AcqMem, a.setup.empty() ? nullptr : &setup);
  if (a.find.empty()) {
    std::cout << listing.Text() << std::flush;
    return std::cout ? 0 : 2;
  }
  std::string why;
  const auto pattern = listing.ParseFind(a.find, why);
  if (!pattern) {
    std::cerr << "logiremctl: " << why << "\n";
    return 2;
  }
  const std::vector<int32_t> rows = listing.Find(*pattern);
  std::string text = listing.HeaderText();
  for (int32_t row : rows) text += listing.RowText(row);
  std::cout << text << std::flush;
  return rows.empty() ? 1 : 0;
}

int RunCompare(const std::vector<std::string>& args) {
  TableArgs a;
  if (const std::string why = parseTableArgs(args, true, a); !why.empty()) return UsageError(why);
  auto first = std::make_unique<MemoryImages>();
  auto second = std::make_unique<MemoryImages>();
  // Trouble is 2 here, as for diff: 1 means the captures differ.
  if (!loadInto(a.files[0], *first, kAcquisition) || !loadInto(a.files[1], *second, kAcquisition)) {
    return 2;
  }
  std::optional<CaptureCompare> result;
  if (a.setup.empty()) {
    result.emplace(first->AcqMem, second->AcqMem,
                   CaptureCompare::AllPods(first->AcqMem, second->AcqMem));
  } else {
    if (!loadInto(a.setup, *first, kConfiguration)) return 2;
    const SetupModel setup(first->SetupMem);
    result.emplace(first->AcqMem, second->AcqMem,
                   CaptureCompare::MatchedLines(first->AcqMem, second->AcqMem, setup),
                   setup.TrigPosition());
  }
  if (a.json) {
    std::cout << QJsonDocument(compareJson(*result)).toJson(QJsonDocument::Indented).toStdString();
  } else {
    std::cout << result->Text();
  }
  std::cout.flush();
  if (!std::cout) return 2;
  return result->identical() ? 0 : 1;
}

// logiremctl show, export and defaults: the commands on files and built-in images.
#include <QJsonDocument>
#include <QJsonObject>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "cli/CliCommands.h"
#include "cli/ImageReport.h"
#include "cli/StderrOperator.h"
#include "export/Capture.h"
#include "export/CsvWriter.h"
#include "export/SigrokSession.h"
#include "export/VcdWriter.h"
#include "memory/DataFiles.h"
#include "memory/DefaultImages.h"
#include "memory/MemoryImages.h"
#include "model/SetupModel.h"

namespace {
int fileError(const std::string& file, const std::string& reason) {
  std::cerr << "logiremctl: " << file << ": " << reason << "\n";
  return 1;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<int32_t> kindWord(const std::string& word) {
  if (word == "setup" || word == "configuration") return kConfiguration;
  if (word == "acquisition" || word == "acq") return kAcquisition;
  return std::nullopt;
}

// The kind of a file from its extension, else from the address of its first frame.
// Nothing when the file can be read and is neither; `readable` tells the two apart.
std::optional<int32_t> kindOfFile(const std::string& file, bool& readable) {
  readable = true;
  const auto dot = file.rfind('.');
  const auto slash = file.find_last_of("/\\");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    const std::string extension = lower(file.substr(dot + 1));
    if (extension == "cnf") return kConfiguration;
    if (extension == "dat") return kAcquisition;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    readable = false;
    return std::nullopt;
  }
  std::string head(256, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  const auto h = head.find('H');
  if (h == std::string::npos || h + 9 > head.size()) return std::nullopt;
  const std::string address = head.substr(h + 3, 6);
  if (address == "010000") return kConfiguration;
  if (address == "000000") return kAcquisition;
  return std::nullopt;
}

struct FileArgs {
  std::string file;
  std::optional<int32_t> kind;
  bool json = false;
  bool defaults = false;
  std::string format = "csv";
  std::string output;
  std::string setup;
  bool vectors = false;
};

// Reads the options shared by show and export; returns the usage complaint, if any.
std::string parseArgs(const std::vector<std::string>& args, bool forExport, FileArgs& out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--kind") {
      if (!hasValue) return "--kind needs setup or acquisition";
      out.kind = kindWord(args[++i]);
      if (!out.kind) return "--kind needs setup or acquisition, not " + args[i];
    } else if (!forExport && a == "--json") {
      out.json = true;
    } else if (!forExport && a == "--defaults") {
      out.defaults = true;
    } else if (forExport && a == "--format") {
      if (!hasValue) return "--format needs csv, vcd or sr";
      out.format = args[++i];
      if (out.format != "csv" && out.format != "vcd" && out.format != "sr") {
        return "unknown format " + out.format;
      }
    } else if (forExport && a == "--setup") {
      if (!hasValue) return "--setup needs a configuration file";
      out.setup = args[++i];
    } else if (forExport && a == "--vectors") {
      out.vectors = true;
    } else if (forExport && a == "-o") {
      if (!hasValue) return "-o needs a file name";
      out.output = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else if (out.file.empty()) {
      out.file = a;
    } else {
      return "more than one file: " + out.file + ", " + a;
    }
  }
  if (out.defaults && !out.file.empty()) return "--defaults takes no file";
  if (!out.defaults && out.file.empty()) return "no file given";
  if (out.vectors && (out.format != "vcd" || out.setup.empty())) {
    return "--vectors needs --format vcd and --setup";
  }
  if (out.format == "sr" && out.output.empty()) return "a sigrok session needs -o OUT";
  return {};
}

// Loads the file as ReadFile does; on failure prints the reason and returns the exit status.
std::optional<int> load(const FileArgs& args, MemoryImages& images, int32_t& kind) {
  if (!CanOpen(args.file)) return fileError(args.file, "cannot open the file");
  bool readable = true;
  const auto found = args.kind ? args.kind : kindOfFile(args.file, readable);
  if (!found) {
    return fileError(args.file,
                     readable ? "not a configuration or acquisition file" : "cannot open the file");
  }
  kind = *found;
  StderrOperator op;  // checksum reports go to stderr; the load still succeeds
  if (!ReadFile(args.file, images, kind, &op)) {
    return fileError(args.file, "Bad " + KindWord(kind) + " data");
  }
  // A cut-off capture still loads, as in the windows, but a script should hear of it.
  if (const std::string cut = kind == kConfiguration ? "" : CutOffWarning(images); !cut.empty()) {
    std::cerr << "logiremctl: " << args.file << ": " << cut << "\n";
  }
  return std::nullopt;
}

void printJson(const QJsonObject& object) {
  std::cout << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}
}  // namespace

bool CanOpen(const std::string& file) {
  std::error_code ec;
  return !std::filesystem::is_directory(file, ec) &&
         std::ifstream(file, std::ios::binary).is_open();
}

int RunShow(const std::vector<std::string>& args) {
  FileArgs a;
  if (const std::string why = parseArgs(args, false, a); !why.empty()) return UsageError(why);
  MemoryImages images;
  if (a.defaults) {
    LoadDefaultImages(images, nullptr);
    const bool setup = !a.kind || *a.kind == kConfiguration;
    const bool acq = !a.kind || *a.kind != kConfiguration;
    if (a.json) {
      if (setup && acq) {
        printJson(QJsonObject{{"setup", SetupJson(images)}, {"acquisition", AcqJson(images)}});
      } else {
        printJson(setup ? SetupJson(images) : AcqJson(images));
      }
      return 0;
    }
    if (setup) std::cout << "Built-in " << SetupSummary(images);
    if (setup && acq) std::cout << "\n";
    if (acq) std::cout << "Built-in " << AcqSummary(images);
    return 0;
  }
  int32_t kind = 0;
  if (const auto failed = load(a, images, kind)) return *failed;
  const bool setup = kind == kConfiguration;
  if (a.json) {
    printJson(setup ? SetupJson(images) : AcqJson(images));
  } else {
    std::cout << a.file << ": " << (setup ? SetupSummary(images) : AcqSummary(images));
  }
  return 0;
}

int RunExport(const std::vector<std::string>& args) {
  FileArgs a;
  if (const std::string why = parseArgs(args, true, a); !why.empty()) return UsageError(why);
  MemoryImages images;
  int32_t kind = 0;
  if (const auto failed = load(a, images, kind)) return *failed;
  if (kind == kConfiguration) return fileError(a.file, "not an acquisition file");

  Capture capture(images.AcqMem, a.file);
  if (a.setup.empty()) {
    capture.AddAllPods();
  } else {
    // The setup given with the acquisition says the two were read together: the lines are
    // those of the display's Matched view, whatever the card counts.
    StderrOperator op;
    if (!ReadFile(a.setup, images, kConfiguration, &op)) {
      return fileError(a.setup, "Bad " + KindWord(kConfiguration) + " data");
    }
    const SetupModel setup(images.SetupMem);
    capture.AddMatchedLines(setup);
    if (a.format == "csv" || a.vectors) capture.AddGroups(setup);
    capture.SetTrigger(setup);
  }

  std::string bytes;
  if (a.format == "sr") {
    std::string why;
    if (!SigrokSession::Write(capture, bytes, why)) return fileError(a.output, why);
  } else if (a.output.empty()) {
    if (a.format == "csv") {
      CsvWriter::Write(capture, std::cout);
    } else {
      VcdWriter::Write(capture, std::cout, a.vectors);
    }
    std::cout.flush();
    return std::cout ? 0 : fileError("stdout", "cannot write");
  } else {
    std::ostringstream out;
    if (a.format == "csv") {
      CsvWriter::Write(capture, out);
    } else {
      VcdWriter::Write(capture, out, a.vectors);
    }
    bytes = std::move(out).str();
  }
  std::string why;
  if (!SaveWholeFile(a.output, bytes, &why)) {
    return fileError(a.output, "cannot write the file: " + why);
  }
  return 0;
}

int RunDefaults(const std::vector<std::string>& args) {
  std::string setupFile, acqFile;
  for (size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--setup" || args[i] == "--acq") && i + 1 < args.size()) {
      (args[i] == "--setup" ? setupFile : acqFile) = args[i + 1];
      ++i;
    } else {
      return UsageError("defaults takes --setup OUT.cnf and/or --acq OUT.dat, not " + args[i]);
    }
  }
  if (setupFile.empty() && acqFile.empty()) return UsageError("defaults needs --setup or --acq");
  MemoryImages images;
  LoadDefaultImages(images, nullptr);
  std::string why;
  if (!setupFile.empty() && !WriteFile(setupFile, images, kConfiguration, 0, &why)) {
    return fileError(setupFile, "cannot write the file: " + why);
  }
  if (!acqFile.empty() && !WriteFile(acqFile, images, kAcquisition, 0, &why)) {
    return fileError(acqFile, "cannot write the file: " + why);
  }
  return 0;
}

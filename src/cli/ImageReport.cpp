#include "cli/ImageReport.h"

#include <QJsonArray>
#include <iomanip>
#include <sstream>

#include "memory/DataFiles.h"
#include "memory/MemoryImages.h"
#include "model/AcqModel.h"
#include "model/LineRules.h"
#include "model/SetupModel.h"

namespace {
const char* const kBaseNames[] = {"T1", "T2", "   "};
const char* const kRadixNames[] = {"HEX", "OCT", "BIN", "OFF", "ASC", "EBC", "ROM"};

std::string nameOf(int value, const char* const* names, int count) {
  return value >= 0 && value < count ? names[value] : "?" + std::to_string(value);
}

std::string twoDigits(int code) {
  std::ostringstream s;
  s << std::setw(2) << std::setfill('0') << code;
  return s.str();
}
}  // namespace

std::string PeriodWithUnit(int32_t ns) {
  if (ns <= 0) return "SYNC";
  if (ns % 1000000000 == 0) return std::to_string(ns / 1000000000) + " s";
  if (ns % 1000000 == 0) return std::to_string(ns / 1000000) + " ms";
  if (ns % 1000 == 0) return std::to_string(ns / 1000) + " us";
  return std::to_string(ns) + " ns";
}

std::string SetupSummary(const MemoryImages& images) {
  auto bytes = images.SetupMem;  // the model needs writable bytes; a report only reads a copy
  const SetupModel setup(bytes);
  std::ostringstream out;
  out << "Configuration, " << images.SetupLen << " bytes\n";
  out << "Trigger position: " << setup.TrigPosition() << " samples\n";
  out << "Polarity (bit c = channel c normal):";
  for (int16_t pod = 0; pod < 8; ++pod) {
    out << " " << pod << ":" << std::hex << std::uppercase << std::setw(4) << std::setfill('0')
        << setup.PolarityWord(pod) << std::dec;
  }
  out << "\nGroups:\n";
  for (int16_t g = 0; g < SetupModel::kGroups; ++g) {
    out << "  " << g << " \"" << setup.GetLabel(g) << "\" ";
    if (setup.GetBase(g) == 2) {
      out << "not in use\n";
      continue;
    }
    out << nameOf(setup.GetBase(g), kBaseNames, 3) << "  width " << setup.GetWidth(g) << "  first "
        << setup.GetFirst(g) << "  input " << nameOf(setup.GetInputRadix(g), kRadixNames, 3)
        << "  display " << nameOf(setup.GetDisplayRadix(g), kRadixNames, 7) << "  digits "
        << setup.GetDigits(g) << "  column " << setup.GetColumn(g) << "\n    channels";
    for (int j = 0; j < setup.GetWidth(g); ++j) {
      out << " " << twoDigits(setup.GetChanMap(static_cast<int16_t>(setup.GetFirst(g) + j)));
    }
    out << "\n";
  }
  return out.str();
}

std::string AcqSummary(const MemoryImages& images) {
  AcqModel acq(images.AcqMem);
  const int32_t dataLength = acq.BuildPodOffsets();
  std::ostringstream out;
  out << "Acquisition, " << images.AcqLen << " bytes\n";
  out << "Cards: " << acq.Cards9() << " x 9-bit, " << acq.Cards18() << " x 18-bit\n";
  out << "Trigger: " << (acq.Triggered() ? "triggered" : "NO TRIG") << "\n";
  out << "Sample period: " << PeriodWithUnit(acq.SamplePeriod()) << "\n";
  out << "Data length: " << dataLength << " bytes\n";
  out << "Samples: 0 to " << LineRules::LastSample(acq) << "\n";
  out << "Pod  Length  Start    End  Two-bit  Offset\n";
  for (int16_t pod = 0; pod < 8; ++pod) {
    out << std::setw(3) << pod;
    if (acq.PodAbsent(pod)) {
      out << "  absent\n";
      continue;
    }
    out << std::setw(8) << acq.PodLength(pod) << std::setw(7) << acq.PodStart(pod) << std::setw(7)
        << acq.PodEnd(pod) << std::setw(9) << (acq.PodTwoBit(pod) ? "yes" : "no") << std::setw(8)
        << acq.PodOffset()[static_cast<size_t>(pod)] << "\n";
  }
  return out.str();
}

QJsonObject SetupJson(const MemoryImages& images) {
  auto bytes = images.SetupMem;  // the model needs writable bytes; a report only reads a copy
  const SetupModel setup(bytes);
  QJsonArray polarity;
  for (int16_t pod = 0; pod < 8; ++pod) polarity.append(setup.PolarityWord(pod));
  QJsonArray groups;
  for (int16_t g = 0; g < SetupModel::kGroups; ++g) {
    QJsonArray channels;
    for (int j = 0; j < setup.GetWidth(g); ++j) {
      channels.append(setup.GetChanMap(static_cast<int16_t>(setup.GetFirst(g) + j)));
    }
    groups.append(QJsonObject{
        {"label", QString::fromStdString(setup.GetLabel(g))},
        {"base", setup.GetBase(g)},
        {"width", setup.GetWidth(g)},
        {"first", setup.GetFirst(g)},
        {"input_radix", setup.GetInputRadix(g)},
        {"column", setup.GetColumn(g)},
        {"rom", setup.GetGroupByte(g, SetupModel::kRom)},
        {"display_radix", setup.GetDisplayRadix(g)},
        {"digits", setup.GetDigits(g)},
        {"channels", channels},
    });
  }
  QJsonArray channelMap;
  for (int16_t p = 0; p < SetupModel::kPositions; ++p) channelMap.append(setup.GetChanMap(p));
  QJsonArray orderA, orderB;
  for (int16_t line = 0; line < SetupModel::kPositions; ++line) {
    orderA.append(QJsonArray{setup.GetOrderGroup(line), setup.GetOrderBit(line)});
  }
  for (int16_t line = 0; line < SetupModel::kOrderBLines; ++line) {
    orderB.append(QJsonArray{setup.GetOrderBGroup(line), setup.GetOrderBBit(line)});
  }
  return QJsonObject{
      {"kind", "setup"},
      {"length", images.SetupLen},
      {"trigger_position", setup.TrigPosition()},
      {"polarity", polarity},
      {"groups", groups},
      {"channel_map", channelMap},
      {"order_a", orderA},
      {"order_b", orderB},
  };
}

QJsonObject AcqJson(const MemoryImages& images) {
  AcqModel acq(images.AcqMem);
  const int32_t dataLength = acq.BuildPodOffsets();
  QJsonArray pods;
  for (int16_t pod = 0; pod < 8; ++pod) {
    pods.append(QJsonObject{
        {"pod", pod},
        {"absent", acq.PodAbsent(pod)},
        {"length", acq.PodLength(pod)},
        {"start", acq.PodStart(pod)},
        {"end", acq.PodEnd(pod)},
        {"two_bit", acq.PodTwoBit(pod)},
        {"offset", acq.PodOffset()[static_cast<size_t>(pod)]},
    });
  }
  QJsonObject report{
      {"kind", "acquisition"},
      {"length", images.AcqLen},
      {"cards9", acq.Cards9()},
      {"cards18", acq.Cards18()},
      {"triggered", acq.Triggered()},
      {"sample_period_ns", acq.SamplePeriod()},
      {"data_length", dataLength},
      {"max_pod_length", acq.MaxPodLength()},
      {"last_sample", LineRules::LastSample(acq)},
      {"pods", pods},
  };
  report.insert("complete", CutOffWarning(images).empty());
  return report;
}

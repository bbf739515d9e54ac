#pragma once
// What logiremctl prints about an image: a readable summary, a JSON object whose keys and
// values scripts rely on, and the acquisition's samples as CSV.
#include <QJsonObject>
#include <cstdint>
#include <ostream>
#include <string>

struct MemoryImages;
class AcqModel;

// The highest sample of the display's time axis: 8 * MaxPodLength - 8, halved when the
// acquisition has no 18-bit card.
int32_t LastSample(const AcqModel& acq);

// A sample period for people: "SYNC" for the synchronous clock, else "20 ns", "5 us", ...
std::string PeriodWithUnit(int32_t ns);

std::string SetupSummary(const MemoryImages& images);
std::string AcqSummary(const MemoryImages& images);

// For an acquisition holding fewer bytes than its header announces: "holds N of the M bytes
// its header announces; missing samples read as 0". Empty for a whole one.
std::string CutOffWarning(const MemoryImages& images);

QJsonObject SetupJson(const MemoryImages& images);
QJsonObject AcqJson(const MemoryImages& images);

// Header "sample,time_ns,Pod0.0,..." and one row per sample 0..LastSample; a cell is 1 or 0,
// empty where the pod has no such sample; time_ns is empty for the synchronous clock.
void WriteCsv(const MemoryImages& images, std::ostream& out);

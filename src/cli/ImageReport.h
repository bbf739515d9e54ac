#pragma once
// What logiremctl prints about an image: a readable summary, a JSON object whose keys and
// values scripts rely on.
#include <QJsonObject>
#include <cstdint>
#include <ostream>
#include <string>

struct MemoryImages;
class AcqModel;

// A sample period for people: "SYNC" for the synchronous clock, else "20 ns", "5 us", ...
std::string PeriodWithUnit(int32_t ns);

std::string SetupSummary(const MemoryImages& images);
std::string AcqSummary(const MemoryImages& images);

QJsonObject SetupJson(const MemoryImages& images);
QJsonObject AcqJson(const MemoryImages& images);

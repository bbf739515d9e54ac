#pragma once
// Identification of the analyser and of the cards in its four slots.
#include <array>
#include <cstdint>
#include <string>

class DeviceConnection;

// What the main window shows of the last identification, and the card counts. The texts
// keep their values between identifications.
struct TekIdentity {
  std::string Typ = "Tek/124x";
  std::array<std::string, 2> Ver = {"___", "___"};
  std::array<std::string, 4> Cards = {"none", "none", "none", "none"};
  bool CnxVisible = true;  // the red "Not connected" label
  int16_t nNm09 = 0;
  int16_t nNm18 = 0;
  std::string Reply;  // the last "ID?" reply as received; empty when the analyser said nothing
};

// Parses an "ID?" reply into identity (labels and counts it names; the rest unchanged).
void ParseTekIdent(const std::string& reply, TekIdentity& identity);

// Asks the analyser; false when the connection cannot be opened (only CnxVisible changes).
bool GetTekIdent(DeviceConnection& connection, TekIdentity& identity);

#pragma once
// The built-in images the program starts with: the analyser's default configuration and a
// demonstration acquisition.
#include <string>

// "INSET " followed by the 20 frames of the default configuration (922 bytes from 10000 hex).
const std::string& DefaultConfigText();
// "ACQ " followed by the 74 frames of the default acquisition (3539 bytes from 0).
const std::string& DefaultAcqText();

struct MemoryImages;
class Operator;
// Decodes both texts into the images, as at start-up.
void LoadDefaultImages(MemoryImages& images, Operator* op);

// Prints the usage text logirem shows in its usage box, for its manual page: the window
// program keeps its own command line (any text with "-" in it shows that box), so the page
// is made through this stand-in.
#include <iostream>

#include "app/StartRequest.h"

int main() {
  // The box's text, with the line ends of this system.
  std::cout << UsageText().remove(u'\r').toStdString() << "\n";
  return 0;
}

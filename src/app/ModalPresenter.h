#pragma once
// Everything the main window shows modally: message boxes, the GPIB settings dialog and the
// two working windows. The program uses QtModalPresenter; tests answer without a human.
#include <QString>
#include <functional>

#include "link/Operator.h"

class Conf;
class QWidget;

enum class WorkingWindow { ConfigEditor, AcqDisplay };

class ModalPresenter {
 public:
  virtual ~ModalPresenter() = default;
  // An empty title stands for the program's default title.
  virtual MsgAnswer message(QWidget* owner, const QString& text, const QString& title, MsgIcon icon,
                            MsgButtons buttons) = 0;
  // Shows the settings dialog until it is closed (by OK or otherwise).
  virtual void showConf(Conf& conf) = 0;
  // `run` shows the editor or the display modally and returns once it is closed.
  virtual void showWorkingWindow(WorkingWindow which, const std::function<void()>& run) = 0;
};

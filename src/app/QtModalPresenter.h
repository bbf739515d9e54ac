#pragma once
// Message boxes and modal windows as the user sees them.
#include "app/ModalPresenter.h"

class QtModalPresenter : public ModalPresenter {
 public:
  MsgAnswer message(QWidget* owner, const QString& text, const QString& title, MsgIcon icon,
                    MsgButtons buttons) override;
  void showConf(Conf& conf) override;
  void showWorkingWindow(WorkingWindow which, const std::function<void()>& run) override;
};

// The text as a message box shows it: CR LF and a lone CR become line breaks.
QString MessageBoxText(const QString& text);

#pragma once
// How the display asks for the title and notes of a printout: the main program gives it the
// title and notes dialog; tests give it their own answers.
#include <QString>

class QWidget;

class TitleNotesPrompt {
 public:
  virtual ~TitleNotesPrompt() = default;
  virtual void setTitle(const QString& title) = 0;
  virtual void setNotes(const QString& notes) = 0;
  // True when closed with OK: anything else means "do not print".
  virtual bool showModal(QWidget* owner) = 0;
  virtual QString title() const = 0;
  virtual QString notes() const = 0;
};

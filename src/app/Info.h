#pragma once
// The title and notes dialog "Informations" that comes up before a printout of the
// acquisition display. It keeps both texts between showings and takes them from its boxes
// however it is closed.
#include <QDialog>
#include <QString>

#include "display/TitleNotesPrompt.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class Info : public QDialog, public TitleNotesPrompt {
  Q_OBJECT
 public:
  explicit Info(QWidget* parent = nullptr);

  void setTitle(const QString& title) override { title_ = title; }
  // Notes come and go with CR LF line breaks, the form the printout splits them at.
  void setNotes(const QString& notes) override { notes_ = notes; }
  bool showModal(QWidget* owner) override;
  QString title() const override { return title_; }
  QString notes() const override { return notes_; }

  QLineEdit* TitleData = nullptr;
  QPlainTextEdit* NotesData = nullptr;
  QPushButton* OK = nullptr;

 public slots:
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString title_;
  QString notes_;
};

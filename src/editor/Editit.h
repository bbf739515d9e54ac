#pragma once
// The configuration editor: the operator arranges the channels of the fitted cards into ten
// named groups, sets each group's label, time base and radixes and each channel's polarity,
// and saves the setup image to the analyser or to a file through the main window.
#include <QDialog>
#include <array>
#include <vector>

#include "editor/EditorModel.h"

class QCloseEvent;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class ChannelLabel;
class LabelBox;
class OneLineList;
class Session;
class StripLabel;

class Editit : public QDialog {
  Q_OBJECT
 public:
  Editit(Session& session, QWidget* owner);

  // Reloads everything from the setup image and shows the window modally.
  int runModal();
  // The loading alone, without showing the window.
  void Reload();

  EditorModel& model() { return model_; }
  QGroupBox* frame(int s) const { return frames_.at(static_cast<size_t>(s)); }
  ChannelLabel* poolLabel(int s, int idx) const;
  int poolCount(int s) const { return static_cast<int>(pools_.at(static_cast<size_t>(s)).size()); }
  StripLabel* strip(int s, int k) const;
  LabelBox* labelBox(int g) const { return llbGroup_.at(static_cast<size_t>(g)); }
  // kind: GroupLists::kBase, kInput or kDisplay.
  OneLineList* list(int kind, int g) const;
  QPushButton* save2Tek() const { return save2Tek_; }
  QPushButton* save2File() const { return save2File_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Edits neither saved nor sent are not dropped without asking.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildSection(int s);
  void BuildPool(int s);
  void ShowLabel(int s, int idx);
  void ShowSection(int s);
  void EnableSection(int s, bool enabled);
  void EnableSave();
  void PlaceWindow();

  void SigClick(int s, int idx, int button);
  void Dst_Click(int s, int k);
  void LlbGroup_Change(int g);
  void List_Scroll(int kind, int g, int value);
  void Save2Tek_Click();
  // False when the save dialog was cancelled or the file could not be written.
  bool Save2File_Click();

  Session& session_;
  EditorModel model_;
  std::array<QGroupBox*, EditorModel::kSections> frames_{};
  std::array<std::vector<QLabel*>, EditorModel::kSections> headers_;
  std::array<std::vector<ChannelLabel*>, EditorModel::kSections> pools_;
  std::array<StripLabel*, EditorModel::kGroups> strips_{};
  std::array<LabelBox*, EditorModel::kGroups> llbGroup_{};
  std::array<std::array<OneLineList*, EditorModel::kGroups>, 3> lists_{};
  QPushButton* save2File_ = nullptr;
  QPushButton* save2Tek_ = nullptr;
  bool changed_ = false;  // edited since the last load, save or send
};
